# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# First start with no settings, then Ctrl+Q: the main window comes up, quits
# cleanly and leaves its geometry in a new settings file. Run by tools/guibench.

# A laptop's screen: the first window fits it, status bar and all, and that
# bar names the devices chosen.
screen 1366x768
start_app
wait_window '^Clavion'
sleep 2 # the first paint, slow on the emulated CPU
eval "$(xdotool getwindowgeometry --shell "$WIN")"
check '((X >= 0 && Y >= 0 && X + WIDTH <= SCREEN_W && Y + HEIGHT <= SCREEN_H))' \
    "the first window (${WIDTH}x$HEIGHT at $X,$Y) is within the ${SCREEN_W}x$SCREEN_H screen"
shot mainwindow-empty
# Dark text in the bar's left part: the message (the welcome has gone by now).
check '[[ $(convert "$shots/mainwindow-empty.png" -gravity southwest -crop 500x14+4+4 +repage \
    -colorspace gray -threshold 50% -format "%[fx:mean]" info:) < 0.97 ]]' \
    "the status bar shows the devices chosen"
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
