# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# First start with no settings, then Ctrl+Q: the main window comes up, quits
# cleanly and leaves its geometry in a new settings file. Run by tools/guibench.

start_app
wait_window '^Clavion'
shot mainwindow-empty
key ctrl+q
wait_exit 10
check '[[ $APP_STATUS == 0 ]]' "the program exits with status 0"
check 'settings_file >/dev/null' "quitting wrote a settings file"
expect_setting /Geometry/width '^[1-9][0-9]*$'

# Second start, now with the style sheets a system install gives every user:
# the dark one is the default look.
cp "$ROOT"/resources/xdg/*.qss "$XDG_CONFIG_HOME"/clavion/
start_app
wait_window '^Clavion'
shot mainwindow-dark
key ctrl+q
wait_exit 10
check '[[ $APP_STATUS == 0 ]]' "the second start exits with status 0"
