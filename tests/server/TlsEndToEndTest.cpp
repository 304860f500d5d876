// TLS from end to end: a certificate made with openssl as the documentation says, recnetd
// serving with it, and reporter-cli trusting it with --ca. The report equals the one of a
// plain server over the same files; a client that trusts nothing is told what to set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "HostileKit.h"
#include "RecNetTestKit.h"
#include "recnet/RecNet.h"
#include "recnet/RecNetTls.h"

namespace zl::testkit {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a program; its exit code, with its standard error in *err.
int RunProgram(const std::vector<std::string>& args, std::string* err) {
    Child child;
    if (!child.Start(args)) return -1;
    child.Send("");
    *err = child.ReadRest();
    return child.Wait();
}

class TlsEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string d = dir_.Path();
        WriteSampleRoot(d + "/data");
        // The commands of the how-to in docs/recnet-protocol.md.
        std::ofstream(d + "/san.cnf") << "subjectAltName=IP:127.0.0.1,DNS:localhost\n";
        const std::string commands =
            "cd '" + d +
            "' && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
            "-keyout ca.key -out ca.crt -days 2 -subj '/CN=test authority' && "
            "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
            "-keyout server.key -out server.csr -subj '/CN=127.0.0.1' && "
            "openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial "
            "-out server.crt -days 2 -extfile san.cnf 2>/dev/null >/dev/null";
        ASSERT_EQ(std::system((commands + " 2>/dev/null >/dev/null").c_str()), 0);
        std::ofstream(d + "/password") << "alice's password\n";
        for (const char* name : {"plain", "tls"}) {
            std::ofstream config(d + "/" + name + ".ini");
            config << "[server]\naddress=127.0.0.1\nport=0\nusers_file=users\n";
            if (std::string(name) == "tls") config << "tls_cert=server.crt\ntls_key=server.key\n";
            config << "[data]\nroot=data\n";
        }
        Child add;
        ASSERT_TRUE(
            add.Start({RECNETD_PROGRAM, "--config", d + "/plain.ini", "--add-user", "alice"}));
        add.Send("alice's password\n");
        const std::string output = add.ReadRest();
        ASSERT_EQ(add.Wait(), 0) << output;
        std::string log;
        ASSERT_TRUE(plain_.Start(d + "/plain.ini", 30000, &log)) << log;
        ASSERT_TRUE(tls_.Start(d + "/tls.ini", 30000, &log)) << log;
    }

    // reporter-cli against one server; its exit code, the report in *report.
    int Report(int port, const std::string& ca, const std::string& name, std::string* report,
               std::string* err) {
        const std::string out = dir_.Path() + "/" + name + ".csv";
        std::vector<std::string> args{REPORTER_CLI_PROGRAM,
                                      "report",
                                      "--type",
                                      "1",
                                      "--range",
                                      "week",
                                      "--date",
                                      "2024-03-05",
                                      "--format",
                                      "csv",
                                      "--server",
                                      "127.0.0.1:" + std::to_string(port),
                                      "--user",
                                      "alice",
                                      "--password-file",
                                      dir_.Path() + "/password",
                                      "--output",
                                      out};
        if (!ca.empty()) args.insert(args.end(), {"--ca", ca});
        const int code = RunProgram(args, err);
        *report = ReadFile(out);
        return code;
    }

    TempDir dir_;
    RecnetdProcess plain_;
    RecnetdProcess tls_;
};

#ifdef REPORTER_CLI_PROGRAM
TEST_F(TlsEndToEndTest, ReportThroughTlsEqualsThePlainOne) {
    std::string plainReport, tlsReport, err;
    ASSERT_EQ(Report(plain_.Port(), "", "plain", &plainReport, &err), 0) << err;
    ASSERT_EQ(Report(tls_.Port(), dir_.Path() + "/ca.crt", "tls", &tlsReport, &err), 0) << err;
    std::printf("plain and TLS reports: %zu and %zu bytes\n", plainReport.size(), tlsReport.size());
    // Equal but for the first line, which holds the time the report was made.
    const auto body = [](const std::string& text) { return text.substr(text.find('\n') + 1); };
    EXPECT_NE(body(plainReport).find("Total:"), std::string::npos) << plainReport;
    EXPECT_EQ(body(tlsReport), body(plainReport));

    // Without the certificate: refused, and told why and what to set.
    std::string none;
    EXPECT_NE(Report(tls_.Port(), "", "none", &none, &err), 0);
    EXPECT_NE(err.find("uses TLS"), std::string::npos) << err;
    EXPECT_NE(err.find("--ca"), std::string::npos) << err;
    // A file that is no certificate is refused before anything is sent.
    EXPECT_NE(Report(tls_.Port(), dir_.Path() + "/password", "bad", &none, &err), 0);
    EXPECT_NE(err.find("no PEM certificate"), std::string::npos) << err;
}
#endif

TEST_F(TlsEndToEndTest, TheClientSaysWhichSideLacksTls) {
    std::string error;
    ASSERT_TRUE(RecNetTrustCertificateFile(dir_.Path() + "/ca.crt", &error)) << error;
    struct Untrust {
        ~Untrust() { RecNetSetTrustedCertificates(nullptr); }
    } untrust;
    RecNetClient* client = CreateRecNetClient();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->Connect("127.0.0.1", tls_.Port(), 10000), 1);
    EXPECT_TRUE(RecNetLastConnectProblem().empty());
    EXPECT_EQ(client->Connect("127.0.0.1", plain_.Port(), 1000), 0);
    EXPECT_NE(RecNetLastConnectProblem().find("does not use TLS"), std::string::npos)
        << RecNetLastConnectProblem();
    // A missing file leaves the trust as it was.
    EXPECT_FALSE(RecNetTrustCertificateFile(dir_.Path() + "/missing.crt", &error));
    EXPECT_EQ(client->Connect("127.0.0.1", tls_.Port(), 10000), 1);
    DestroyRecNetClient(&client);
}

}  // namespace
}  // namespace zl::testkit
