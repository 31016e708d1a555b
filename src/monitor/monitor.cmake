# The protocol monitor: its decoder and captures in kvt_core, its window in kvt_widgets.
target_sources(kvt_widgets PRIVATE
  monitor/line_monitor_action.cpp
)
