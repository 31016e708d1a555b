# The protocol monitor: its decoder, ports and captures in kvt_core, its window in kvt_widgets.
target_sources(kvt_core PRIVATE
  monitor/line_unit.cpp
  monitor/command_names.cpp
  monitor/reply_meaning.cpp
  monitor/stream_decoder.cpp
  monitor/unit_text.cpp
  monitor/pcapng.cpp
  monitor/comm_log.cpp
  monitor/side_port.cpp
  monitor/monitor_run.cpp
  monitor/capture_files.cpp
  monitor/monitor_session.cpp
  monitor/unit_table_model.cpp
)
target_sources(kvt_widgets PRIVATE
  monitor/line_monitor_window.cpp
  monitor/line_monitor_action.cpp
)
