#include "settings/settings.h"

void AttachSettings() {}
void DetachSettings() {}
