#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pelko {

// Where an FTP server listens.
struct FtpAddress {
    std::string host;  // a name, an IPv4 address, or an IPv6 address without brackets
    std::uint16_t port = 21;

    bool operator==(const FtpAddress&) const = default;
};

// Reads the text of a host box: "host", "host:port", "[IPv6]" or "[IPv6]:port" (an IPv6
// address with more than one colon and no brackets is a host without a port); an "ftp://"
// in front and blanks around are ignored. The port is 21 when none is given. Throws
// pelko::Error for an empty host, a host with characters that cannot appear in one, and a
// port that is not a number from 1 to 65535.
FtpAddress parseFtpAddress(std::string_view text);

// The URL of a file in a folder of a server: ftp://host:port/<folder>/<name>, every byte of
// folder and name that is not a letter, a digit, "-", ".", "_", "~" or a "/" of the folder
// percent-encoded. A folder starting with "/" is taken from the server's root (its first "/"
// becomes "%2F"), any other from the log-on folder; an empty folder is the log-on folder. An
// empty name gives the folder's URL, which ends in "/".
std::string ftpUrl(const FtpAddress& address, std::string_view folder, std::string_view name);

}  // namespace pelko
