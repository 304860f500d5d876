// Transport security of the remote client. By default clients connect without TLS. A program
// whose servers run with a certificate sets the trusted root certificates (PEM) once; clients
// created afterwards connect with TLS. An empty or null text switches TLS off again.
#pragma once

void RecNetSetTrustedCertificates(const char* pemRootCertificates);
