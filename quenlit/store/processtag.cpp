#include "store/processtag.h"

#include "store/sysfile.h"

namespace {

std::string hostForNames()
{
    std::string host = sysfile::HostName();
    if (host.size() > 64)
        host.resize(64);
    for (char &c : host) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        if (!plain)
            c = '_';
    }
    return host.empty() ? std::string("localhost") : host;
}

} // namespace

const std::string &ThisHost()
{
    static const std::string host = hostForNames();
    return host;
}

ProcessTag ThisProcess()
{
    return ProcessTag{sysfile::ProcessId(), ThisHost()};
}

std::string ThisProcessTag()
{
    return ThisProcess().text();
}

bool ProcessTag::isThisProcess() const
{
    return host == ThisHost() && pid == sysfile::ProcessId();
}

bool ProcessTag::hasEnded() const
{
    return host == ThisHost() && !sysfile::ProcessAlive(pid);
}

bool ParseProcessTag(std::string_view text, ProcessTag &tag)
{
    const auto at = text.find('@');
    if (at == 0 || at == std::string_view::npos || at > 10 || at + 1 == text.size())
        return false;
    long pid = 0;
    for (char c : text.substr(0, at)) {
        if (c < '0' || c > '9')
            return false;
        pid = pid * 10 + (c - '0');
    }
    const std::string_view host = text.substr(at + 1);
    for (char c : host) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        if (!plain)
            return false;
    }
    tag.pid = pid;
    tag.host = std::string(host);
    return true;
}
