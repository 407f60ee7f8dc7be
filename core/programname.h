#pragma once

namespace App
{
// As the windows, the messages and the sequencer's list of clients show it.
constexpr const char kProgramName[] = "Clavion";
} // namespace App
