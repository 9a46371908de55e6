#include "platform/net/ftp_address.h"

#include <cctype>
#include <charconv>

#include "core/error.h"
#include "core/percent_coding.h"

namespace pelko {

namespace {

std::string_view trim(std::string_view s) {
    const char* ws = " \t\r\n";
    std::size_t b = s.find_first_not_of(ws);
    if (b == std::string_view::npos) {
        return {};
    }
    return s.substr(b, s.find_last_not_of(ws) - b + 1);
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Host names and IPv4 addresses: letters, digits, "-", "." and "_"; bytes above 127 for
// international names. Nothing that would end the host part of a URL.
bool isHostName(std::string_view host) {
    for (unsigned char c : host) {
        if (!(std::isalnum(c) || c == '-' || c == '.' || c == '_' || c >= 0x80)) {
            return false;
        }
    }
    return !host.empty();
}

bool isIpv6Address(std::string_view host) {
    for (unsigned char c : host) {
        if (!(std::isxdigit(c) || c == ':' || c == '.')) {
            return false;
        }
    }
    return host.find(':') != std::string_view::npos;
}

std::uint16_t parsePort(std::string_view text, std::string_view whole) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value == 0 ||
        value > 65535) {
        throw Error(formatMessage("Invalid port number in \"%s\"", {whole}));
    }
    return static_cast<std::uint16_t>(value);
}

// The unreserved characters of a URL (RFC 3986).
bool unreserved(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

bool unreservedOrSlash(unsigned char c) {
    return unreserved(c) || c == '/';
}

void appendEncoded(std::string& out, std::string_view text, bool keepSlashes) {
    appendPercentEncoded(out, text, keepSlashes ? unreservedOrSlash : unreserved);
}

}  // namespace

FtpAddress parseFtpAddress(std::string_view text) {
    std::string_view whole = trim(text);
    std::string_view rest = whole;
    if (startsWithNoCase(rest, "ftp://")) {
        rest.remove_prefix(6);
        if (!rest.empty() && rest.back() == '/') {
            rest.remove_suffix(1);
        }
    }
    FtpAddress address;
    std::string_view host = rest;
    if (!rest.empty() && rest.front() == '[') {
        std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            throw Error(formatMessage("Invalid host name \"%s\"", {whole}));
        }
        host = rest.substr(1, close - 1);
        std::string_view after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') {
                throw Error(formatMessage("Invalid host name \"%s\"", {whole}));
            }
            address.port = parsePort(after.substr(1), whole);
        }
        if (!isIpv6Address(host)) {
            throw Error(formatMessage("Invalid host name \"%s\"", {whole}));
        }
    } else if (std::size_t colon = rest.find(':');
               colon != std::string_view::npos && rest.find(':', colon + 1) == rest.npos) {
        host = rest.substr(0, colon);
        address.port = parsePort(rest.substr(colon + 1), whole);
    }
    if (host.empty()) {
        throw Error("No host name given");
    }
    if (!isHostName(host) && !isIpv6Address(host)) {
        throw Error(formatMessage("Invalid host name \"%s\"", {whole}));
    }
    address.host = std::string(host);
    return address;
}

std::string ftpUrl(const FtpAddress& address, std::string_view folder, std::string_view name) {
    std::string url = "ftp://";
    if (address.host.find(':') != std::string::npos) {
        url += "[" + address.host + "]";
    } else {
        url += address.host;
    }
    url += ":" + std::to_string(address.port) + "/";
    if (!folder.empty()) {
        if (folder.front() == '/') {
            url += "%2F";
            folder.remove_prefix(1);
        }
        appendEncoded(url, folder, true);
        if (url.back() != '/') {
            url += '/';
        }
    }
    appendEncoded(url, name, false);
    return url;
}

}  // namespace pelko
