#pragma once

#include <QString>

// Every sequencer call goes through here: a failure is written to standard
// error as "Error <code> in <call> (<text>)." and kept for the user's message.
int seqCheck(int result, const char* call);
// The ALSA text of an error code.
QString seqErrorText(int code);
