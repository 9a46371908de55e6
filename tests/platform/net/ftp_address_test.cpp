#include "platform/net/ftp_address.h"

#include "core/output/uploader.h"

#include <gtest/gtest.h>

#include "core/error.h"

namespace pelko {
namespace {

TEST(FtpAddress, ReadsHostAndPort) {
    struct Case {
        const char* text;
        const char* host;
        int port;
    } cases[] = {
        {"ftp.example.com", "ftp.example.com", 21},
        {"  ftp.example.com:2121 ", "ftp.example.com", 2121},
        {"127.0.0.1:65535", "127.0.0.1", 65535},
        {"ftp://Example.org/", "Example.org", 21},
        {"FTP://example.org:10021", "example.org", 10021},
        {"[::1]", "::1", 21},
        {"[::1]:2121", "::1", 2121},
        {"fe80::1", "fe80::1", 21},  // more than one colon: an address, no port
        {"my_host-1", "my_host-1", 21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FtpAddress a = parseFtpAddress(c.text);
        EXPECT_EQ(a.host, c.host);
        EXPECT_EQ(a.port, c.port);
    }
}

TEST(FtpAddress, RefusesWhatIsNoHostOrPort) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "No host name given"},
        {"   ", "No host name given"},
        {":21", "No host name given"},
        {"host:", "Invalid port number in \"host:\""},
        {"host:0", "Invalid port number in \"host:0\""},
        {"host:65536", "Invalid port number in \"host:65536\""},
        {"host:21x", "Invalid port number in \"host:21x\""},
        {"host:-1", "Invalid port number in \"host:-1\""},
        {"[::1]:x", "Invalid port number in \"[::1]:x\""},
        {"[::1", "Invalid host name \"[::1\""},
        {"[::1]x", "Invalid host name \"[::1]x\""},
        {"[host]", "Invalid host name \"[host]\""},
        {"evil.com/x?", "Invalid host name \"evil.com/x?\""},
        {"user@host", "Invalid host name \"user@host\""},
        {"a b", "Invalid host name \"a b\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            parseFtpAddress(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

TEST(FtpAddress, BuildsUrlsWithEncodedFolderAndName) {
    FtpAddress host{"ftp.example.com", 21};
    FtpAddress v6{"::1", 2121};
    struct Case {
        FtpAddress address;
        const char* folder;
        const char* name;
        const char* url;
    } cases[] = {
        {host, "/public_html/", "shot.png", "ftp://ftp.example.com:21/%2Fpublic_html/shot.png"},
        {host, "/public_html", "shot.png", "ftp://ftp.example.com:21/%2Fpublic_html/shot.png"},
        {host, "/", "a", "ftp://ftp.example.com:21/%2F/a"},
        {host, "", "a b#1%.png", "ftp://ftp.example.com:21/a%20b%231%25.png"},
        {host, "www/img", "x?y", "ftp://ftp.example.com:21/www/img/x%3Fy"},
        {host, "/public_html/", "", "ftp://ftp.example.com:21/%2Fpublic_html/"},
        {host, "", "", "ftp://ftp.example.com:21/"},
        {host, "dir", "a/b", "ftp://ftp.example.com:21/dir/a%2Fb"},
        {host, "\xc3\xa4", "~x", "ftp://ftp.example.com:21/%C3%A4/~x"},
        {v6, "", "f", "ftp://[::1]:2121/f"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(ftpUrl(c.address, c.folder, c.name), c.url);
    }
}

TEST(FtpAddress, FileNamePartIsAfterTheLastSlash) {
    EXPECT_EQ(fileNamePart("/tmp/~pelko/shot 1.png"), "shot 1.png");
    EXPECT_EQ(fileNamePart("shot.png"), "shot.png");
    EXPECT_EQ(fileNamePart("dir/"), "");
    EXPECT_EQ(fileNamePart(""), "");
}

}  // namespace
}  // namespace pelko
