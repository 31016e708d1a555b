# Windows, dialogs and input filters, and the windowed program. Only the GUI program and
# its tests link this library.
add_library(kvt_widgets STATIC
  app/busy_cursor.h
  app/chooser_window.cpp
  app/log_panel.cpp
  app/message_box_notifier.cpp
  app/reader_main_window.cpp
  app/reader_main_b.cpp
  app/reader_main_m.cpp
  app/window_placement.cpp
  app/sim_control_window.cpp
  cmdline/cmdline_window.cpp
  cmdline/list_box_entries.cpp
  link/port_setup_dialog.cpp
  link/port_map_dialog.cpp
  machine/reset_option_dialog.cpp
  machine/sensor_window.cpp
  machine/config_window.cpp
  machine/read_sn_window.cpp
  hexgrid/key_filters.cpp
  hexgrid/hex_grid.cpp
  hexgrid/decoding_box.cpp
  contact/ic_card_page.cpp
  contact/memory_pages.cpp
  contact/chip_card_window.cpp
  rf/rf_card_page.cpp
  rf/mifare_pages.cpp
  pcsc/pcsc_window.cpp
  dump/card_file_buttons.cpp
)
target_link_libraries(kvt_widgets PUBLIC kvt_core kvt_simulation Qt6::Widgets)
set_target_properties(kvt_widgets PROPERTIES AUTOMOC ON)

add_executable(kvt730-tool app/main_gui.cpp)
target_link_libraries(kvt730-tool PRIVATE kvt_widgets)
target_compile_definitions(kvt730-tool PRIVATE KVT_VERSION="${PROJECT_VERSION}")
