#include "settings/settings.h"

#include <new>

#include "frame/core/string_ids.h"
#include "frame/strings.h"

HostList* Hosts = nullptr;
OptionsRecord* Options = nullptr;
ProxyList* FtpProxies = nullptr;
ProxyList* WwwProxies = nullptr;
UrlHistory* Urls = nullptr;

namespace {
RegistryStore Registry;
}

SettingsStore& SettingsRegistry() { return Registry; }

void AttachSettings() {
    if ((Hosts = new (std::nothrow) HostList(&Registry))) Hosts->Load();
    if ((Options = new (std::nothrow) OptionsRecord(&Registry))) Options->Load();
    if ((FtpProxies = new (std::nothrow) ProxyList(kFtpProxies, &Registry))) FtpProxies->Load();
    if ((WwwProxies = new (std::nothrow) ProxyList(kWwwProxies, &Registry))) WwwProxies->Load();
    if ((Urls = new (std::nothrow) UrlHistory(&Registry))) Urls->Load();
}

// Each destructor saves its object before freeing it.
void DetachSettings() {
    delete Hosts;
    Hosts = nullptr;
    delete Options;
    Options = nullptr;
    delete FtpProxies;
    FtpProxies = nullptr;
    delete WwwProxies;
    WwwProxies = nullptr;
    delete Urls;
    Urls = nullptr;
}

void ChooseHostLogin(const HostEntry* entry, TextBuffer& user, TextBuffer& password) {
    TextBuffer anonymous(64);
    TextBuffer visit(64);
    LoadStringInto(kStrAnonymous, anonymous);
    LoadStringInto(kStrVisit, visit);
    HostLogin login = ChooseLogin(entry, anonymous.Text(), visit.Text());
    user.Assign(login.user);
    password.Assign(login.password);
}
