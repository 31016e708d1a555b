# Qualification and wear runs: checks, runner, statistics and their reports and metrics in
# kvt_core; windows in kvt_widgets.
find_package(prometheus-cpp CONFIG REQUIRED)
target_sources(kvt_core PRIVATE
  qualify/run_results.cpp
  qualify/motion_stats.cpp
  qualify/path_moves.cpp
  qualify/run_session.cpp
  qualify/motion.cpp
  qualify/qualify_run.cpp
  qualify/wear_run.cpp
  qualify/run_json.cpp
  qualify/tool_version.cpp
  report/html_page.cpp
  report/svg_chart.cpp
  report/run_reports.cpp
  report/check_junit.cpp
  report/run_metrics.cpp
)
set_source_files_properties(qualify/tool_version.cpp PROPERTIES COMPILE_DEFINITIONS KVT_VERSION="${PROJECT_VERSION}")
target_link_libraries(kvt_core PUBLIC prometheus-cpp::core prometheus-cpp::pull)

target_sources(kvt_widgets PRIVATE
  qualify/qualify_actions.cpp
  qualify/run_window.cpp
  qualify/qualify_window.cpp
  qualify/wear_window.cpp
  qualify/motion_chart.cpp
)
