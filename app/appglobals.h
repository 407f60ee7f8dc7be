#pragma once

#include "core/programname.h"

#include <QStringList>

// Process-wide values that start-up sets and the main window's commands read.
namespace App
{
constexpr const char kVersion[] = "0.52";

// The command line, after Qt has taken its own options out.
extern QStringList arguments;
} // namespace App
