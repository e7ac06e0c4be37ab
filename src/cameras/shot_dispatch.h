// Shot detection: starts the bullet or arrow camera for the weapons of the
// shot table, then updates whichever shot cameras are running.
#pragma once

#include "settings/catalogue.h"

void dispatchShot(const CameraSwitches& switches);
