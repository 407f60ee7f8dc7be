#pragma once

#include <QString>

// Every sequencer call goes through here: a failure is written to standard
// error as "Error <code> in <call> (<text>)." and kept for the user's message.
// The same failure of the same call is written once; its repeats are counted
// and told by seqErrorRepeats().
int seqCheck(int result, const char* call, const char* prefix = "");
// Writes how often each failure repeated since the last call, and forgets
// them: the next one is written again.
void seqErrorRepeats();
// The ALSA text of an error code.
QString seqErrorText(int code);
