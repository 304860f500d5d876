// Transport security of the remote client. By default clients connect without TLS. A program
// whose servers run with a certificate sets the trusted root certificates (PEM) once; clients
// created afterwards connect with TLS. An empty or null text switches TLS off again.
#pragma once

#include <string>

namespace zl {

void RecNetSetTrustedCertificates(const char* pemRootCertificates);

// Reads a PEM file (the certificate of the authority that signed the servers' certificates,
// or a server's own certificate) and trusts it as above. False with *error when the file
// cannot be read or holds no certificate; the trust is then left as it was.
bool RecNetTrustCertificateFile(const std::string& path, std::string* error);

// Why the last failed Connect of this thread failed, in words for a user: a server that uses
// TLS reached without a certificate to trust, or the other way round. Empty after a success.
std::string RecNetLastConnectProblem();

}  // namespace zl
