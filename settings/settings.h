#ifndef ORBNET_SETTINGS_SETTINGS_H
#define ORBNET_SETTINGS_SETTINGS_H

// Module-wide settings objects: created and loaded from the registry when the
// library attaches, saved and freed when it detaches, in the library's order
// (hosts, options, FTP proxies, WWW proxies, URL history).
void AttachSettings();
void DetachSettings();

#endif
