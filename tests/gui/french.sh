# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# The program in French, as a French locale gives it: a first start keeps a
# French user's settings apart, then the window and a demo opened through
# the French menus' accelerators, and the Options dialog. Run by
# tools/guibench.

export LANG=fr_FR.UTF-8
start_app
wait_window '^Clavion'
key ctrl+q
wait_exit 10
check '[[ $APP_STATUS == 0 ]]' "the program exits with status 0"
check '[[ $(settings_file) == */clavion-fr.conf ]]' "a French user's settings go to clavion-fr.conf"

# Set up as in the deck scenario: Midi Through plays, the PC keyboard is the
# instrument, and the keyboards nobody uses stay hidden.
player_settings "$(settings_file)" 4
start_app
wait_window '^Clavion'
shot mainwindow-fr
# Démo > Enfants > its second song, by the French accelerators.
key alt+d e Down Return
for ((i = 0; i < 300; i++)); do
    [[ $(xdotool getwindowname "$WIN") == *" démo - "* ]] && break
    sleep 0.1
done
check '[[ $(xdotool getwindowname "$WIN") == *" démo - Traditionnel - Mary Had a Little Lamb" ]]' \
    "the demo opens from Démo > Enfants, its title in French"
sleep 1
shot deck-fr
# The Options dialog, whose French labels are the longest: Périphériques.
key ctrl+p
wait_window 'Configuration'
centre
key ctrl+Next
sleep 1
shot options-devices-fr
key Escape
wait_window '^Clavion'
key ctrl+q
wait_exit 10
check '[[ $APP_STATUS == 0 ]]' "the second start exits with status 0"
