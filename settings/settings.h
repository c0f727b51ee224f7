#ifndef ORBNET_SETTINGS_SETTINGS_H
#define ORBNET_SETTINGS_SETTINGS_H

#include "frame/core/text_buffer.h"
#include "settings/core/choices.h"
#include "settings/core/host_list.h"
#include "settings/core/options_record.h"
#include "settings/core/proxy_list.h"
#include "settings/registry_store.h"
#include "settings/core/url_history.h"

// Module-wide settings objects, owned by the module: created and loaded from
// the registry when the library attaches (hosts, options, FTP proxies, WWW
// proxies, URL history), saved and freed in the same order when it detaches.
// Null only when they could not be allocated.
extern HostList* Hosts;
extern OptionsRecord* Options;
extern ProxyList* FtpProxies;
extern ProxyList* WwwProxies;
extern UrlHistory* Urls;

// The registry store the module-wide objects load from and save to.
SettingsStore& SettingsRegistry();

void AttachSettings();
void DetachSettings();

// ChooseLogin with the library's "anonymous" and "visit" texts, copied.
void ChooseHostLogin(const HostEntry* entry, TextBuffer& user, TextBuffer& password);

#endif
