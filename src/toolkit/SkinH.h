// The program's look: a Qt style and palette of our own. Called once from
// the main window's initialisation; nothing depends on it. Returns 0.
#pragma once

int SkinH_Attach();
