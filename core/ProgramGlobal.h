#pragma once

#include "core/KorvexGlobal.h"

// The program's one global state object, built on first use (the program
// calls this before anything else) from the settings folder and the installed
// language files, and destroyed at exit, when it writes its settings.
CKorvexGlobal& ProgramGlobal();
