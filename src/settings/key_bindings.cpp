#include "settings/key_bindings.h"
std::unordered_map<std::string, int32_t> keyBindings;
void loadKeyBindings() {}
