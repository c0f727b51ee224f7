#ifndef ORBNET_NET_SECURITY_LIBRARY_H
#define ORBNET_NET_SECURITY_LIBRARY_H

// The platform's security provider (secur32) and certificate functions
// (crypt32), loaded at run time like the socket library: the library loads
// where they are missing, and only https needs them.
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <windows.h>
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>
#include <cstdint>

struct SecurityEntryPoints {
    PSecurityFunctionTableA sspi;
    decltype(&::CertGetCertificateChain) CertGetCertificateChain;
    decltype(&::CertVerifyCertificateChainPolicy) CertVerifyCertificateChainPolicy;
    decltype(&::CertFreeCertificateChain) CertFreeCertificateChain;
    decltype(&::CertFreeCertificateContext) CertFreeCertificateContext;
};

// Null members until BindSecurityLibrary succeeded.
extern SecurityEntryPoints SecurityFunctions;

// Loads both libraries once and binds what https needs; 1 when all of it is
// there. They stay loaded for the life of the process.
uint16_t BindSecurityLibrary();

#endif
