# Qualification and wear runs: checks, runner, statistics in kvt_core; windows in kvt_widgets.
target_sources(kvt_widgets PRIVATE
  qualify/qualify_actions.cpp
)
