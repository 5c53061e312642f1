#pragma once
// WriteResFile and KillFile live in win/ so the update check can write the updater too.
#include "win/res_files.h"
