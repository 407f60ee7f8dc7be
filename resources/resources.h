#pragma once

// Registers the embedded images (":/appicon.png", ":/NAME.xpm"). Call once
// before the first icon is loaded.
void initResources();
