#pragma once

#include <QStringList>

// Process-wide values that start-up sets and the main window's commands read.
namespace App
{
constexpr const char kProgramName[] = "Clavion";
constexpr const char kVersion[] = "0.52";

// Where the next open takes its file: 0 the open dialog, n > 0 argument n of
// the command line, -1 the current song again, -2 the demo just extracted.
extern int fileArgumentIndex;
// The command line, after Qt has taken its own options out.
extern QStringList arguments;
} // namespace App
