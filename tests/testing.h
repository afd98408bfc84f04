// Everything the tests drive the program through: the rooms' public headers with their back
// doors (test clock, operator actions, port table, viewer windows).
#pragma once

#include "panels.h"
#include "player.h"
#include "runtime.h"
#include "serial.h"
#include "viewer.h"
