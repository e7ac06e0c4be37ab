#include "settings/catalogue.h"
const char* const kSettingsPath = "Veltrix.ini";
float BulletCamSpeed = 3.5f;
float LingerTime = 2.5f;
float CameraOffsetBack = 2.0f;
float slowMotionFactor = 0.05f;
float BulletLingerSpeed = 0.05f;
float BowLingerSpeed = 0.05f;
float BowCamSpeed = 0.7f;
StartupSettings loadSettings() { return StartupSettings(); }
void resetFloatSettings() {}
