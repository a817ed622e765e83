// SimConnect.cfg and the transport chain. A configured address that is not the default of the failed
// step ends the chain there: a remote pipe host or TCP address gets no fall-back.
#include "simlink/client/sc_connect.h"

#include "platform/folders.h"
#include "platform/ini_file.h"
#include "platform/local_pipe.h"
#include "platform/registry.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <fmt/format.h>
#include <mutex>

namespace oxl
{

namespace
{

constexpr const char* kDefaultPipeName = "Lockheed Martin Prepar3D v5\\SimConnect";
constexpr std::size_t kMaxPipePath = 259;    // characters of a formatted pipe path
constexpr std::size_t kMaxConfigText = 1023; // characters of an address or port
constexpr std::size_t kMaxRegistryPort = 9;  // characters (20 bytes with the NUL, UTF-16)
constexpr auto kConnectTimeout = std::chrono::seconds(5);
constexpr auto kPipeBusyWait = std::chrono::milliseconds(5000);

// Built on first use; replaced under gScLibrary.gEnvironmentLock.
ScEnvironment& environmentSlot()
{
    static ScEnvironment environment{
        [] { return plat::publicDocuments(); },
        [] { return plat::documents(); },
        []() -> std::optional<std::filesystem::path>
        {
            std::error_code ec;
            auto cwd = std::filesystem::current_path(ec);
            if (ec)
                return std::nullopt;
            return cwd;
        },
        scRegistryPortValue,
    };
    return environment;
}

bool equalNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// The decimal reading of _wtoi: blanks, a sign, digits; stops at the first other character.
std::int32_t decimalValue(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
    {
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            return negative ? INT_MIN : INT_MAX;
    }
    if (negative)
        v = -v;
    return static_cast<std::int32_t>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

std::string sectionName(std::uint32_t configIndex)
{
    return configIndex == 0 ? std::string("SimConnect") : fmt::format("SimConnect.{}", configIndex);
}

} // namespace

void scSetEnvironment(ScEnvironment environment)
{
    std::lock_guard lock(gScLibrary.gEnvironmentLock);
    environmentSlot() = std::move(environment);
}

const ScEnvironment& scEnvironment()
{
    return environmentSlot();
}

std::vector<std::filesystem::path> scConfigCandidates()
{
    std::vector<std::filesystem::path> files;
    std::lock_guard lock(gScLibrary.gEnvironmentLock);
    const ScEnvironment& env = environmentSlot();
    for (const auto* folder : {&env.publicDocuments, &env.documents, &env.currentDirectory})
    {
        if (!*folder)
            continue;
        if (auto path = (*folder)())
            files.push_back(*path / "SimConnect.cfg");
    }
    return files;
}

std::string scReadRegistryPort(plat::net::IpFamily family)
{
    std::function<std::string(plat::net::IpFamily)> reader;
    {
        std::lock_guard lock(gScLibrary.gEnvironmentLock);
        reader = environmentSlot().registryPortValue;
    }
    if (!reader)
        return {};
    std::string port = reader(family);
    return port.size() > kMaxRegistryPort ? std::string() : port;
}

std::string scRegistryPortValue(plat::net::IpFamily family)
{
    plat::RegKey key = 0;
    if (plat::regOpenKeyEx(plat::kHkeyCurrentUser, u"SOFTWARE\\Lockheed Martin\\Prepar3D v5", 0,
                           plat::kKeyRead, &key) != 0)
        return {};
    char16_t value[kMaxRegistryPort + 1] = {};
    std::uint32_t bytes = sizeof value;
    std::uint32_t type = 0;
    const std::uint32_t rc = plat::regGetValue(
        key, u"", family == plat::net::IpFamily::IPv6 ? u"SimConnect_Port_IPv6" : u"SimConnect_Port_IPv4",
        plat::kRrfRtRegSz, &type, value, &bytes);
    plat::regCloseKey(key);
    if (rc != 0)
        return {};
    std::string port;
    for (char16_t c : value)
    {
        if (c == 0)
            break;
        // A port is digits; anything outside ASCII can not name one.
        if (c >= 0x80)
            return {};
        port.push_back(static_cast<char>(c));
    }
    return port;
}

void scReadConfig(const std::filesystem::path& file, std::uint32_t configIndex, ScConfig& config)
{
    auto ini = plat::IniFile::load(file);
    if (!ini)
        return;
    const std::string section = sectionName(configIndex);
    auto text = [&](const char* key)
    {
        std::string v = ini->value(section, key).value_or("");
        if (v.size() > kMaxConfigText)
            v.resize(kMaxConfigText);
        return v;
    };
    if (std::string protocol = text("Protocol"); !protocol.empty())
    {
        if (equalNoCase(protocol, "Auto") || equalNoCase(protocol, "Pipe"))
            config.protocol = ScProtocol::Pipe;
        else if (equalNoCase(protocol, "IPv4") || equalNoCase(protocol, "IPv6"))
        {
            const bool v6 = equalNoCase(protocol, "IPv6");
            config.protocol = v6 ? ScProtocol::IPv6 : ScProtocol::IPv4;
            // A port from an earlier file gives way to the registry's port of the new family.
            if (!config.port.empty())
                config.port = scReadRegistryPort(v6 ? plat::net::IpFamily::IPv6 : plat::net::IpFamily::IPv4);
        }
    }
    if (std::string address = text("Address"); !address.empty())
        config.address = address;
    if (std::string port = text("Port"); !port.empty())
        config.port = port;
    if (std::string size = text("MaxReceiveSize"); !size.empty())
    {
        const auto value = static_cast<std::uint32_t>(decimalValue(size));
        if (value > config.maxReceiveSize)
            config.maxReceiveSize = value;
    }
    if (std::string nagle = text("DisableNagle"); !nagle.empty())
        config.disableNagle = decimalValue(nagle) != 0;
}

std::uint32_t scHasConfigSection(const std::filesystem::path& file, std::uint32_t configIndex)
{
    auto ini = plat::IniFile::load(file);
    return ini && ini->sectionHasContent(sectionName(configIndex)) ? 0 : 3;
}

std::uint32_t scOpenTransport(ScConnection* conn, ScTransportKind kind, plat::net::IpFamily family,
                              const std::string& address, const std::string& port,
                              std::uint32_t maxReceiveSize, bool disableNagle)
{
    plat::net::Socket socket;
    if (kind == ScTransportKind::Socket)
        socket = plat::net::connectTcpFamily(family, address, port, kConnectTimeout);
    else
    {
        const std::string host = address.empty() ? std::string(".") : address;
        std::string path = port.empty() ? fmt::format("\\\\{}\\pipe\\{}", host, kDefaultPipeName)
                                        : fmt::format("\\\\{}\\pipe\\{}", host, port);
        if (path.size() > kMaxPipePath)
            path.resize(kMaxPipePath);
        plat::PipeOpenResult result;
        socket = plat::openLocalPipe(path, kPipeBusyWait, result);
    }
    if (!socket.valid())
        return 1;
    conn->start(plat::net::toChannel(std::move(socket)), maxReceiveSize, disableNagle);
    return 0;
}

std::uint32_t scConnect(ScConnection** out, std::uint32_t configIndex)
{
    const auto files = scConfigCandidates();
    if (configIndex != 0 && configIndex != 0xFFFFFFFF)
    {
        const bool found =
            std::any_of(files.begin(), files.end(),
                        [&](const auto& f) { return scHasConfigSection(f, configIndex) == 0; });
        if (!found)
            return 3;
    }
    ScConfig cfg;
    if (configIndex != 0xFFFFFFFF)
        for (const auto& f : files)
            scReadConfig(f, configIndex, cfg);

    std::string address = cfg.address;
    std::string port = cfg.port;
    int step = cfg.protocol == ScProtocol::Pipe ? 1 : cfg.protocol == ScProtocol::IPv6 ? 2 : 3;
    // Each step makes its own connection object and closes it again when it fails.
    auto attempt = [&](ScTransportKind kind, plat::net::IpFamily family, bool tryOpen) -> ScConnection*
    {
        auto* conn = new ScConnection(kind);
        if (tryOpen &&
            scOpenTransport(conn, kind, family, address, port, cfg.maxReceiveSize, cfg.disableNagle) == 0)
            return conn;
        scCloseConnection(conn);
        return nullptr;
    };
    for (;; ++step)
    {
        ScConnection* conn = nullptr;
        switch (step)
        {
        case 1:
            conn = attempt(ScTransportKind::Pipe, plat::net::IpFamily::IPv4, true);
            if (!conn && !(address.empty() || address == "."))
                return 1;
            if (!conn)
            {
                address = "::1";
                port = scReadRegistryPort(plat::net::IpFamily::IPv6);
            }
            break;
        case 2:
            if (!scStartNetwork())
                return 1;
            conn = attempt(ScTransportKind::Socket, plat::net::IpFamily::IPv6, !port.empty());
            if (!conn && !equalNoCase(address, "::1"))
                return 1;
            if (!conn)
            {
                address = "127.0.0.1";
                port = scReadRegistryPort(plat::net::IpFamily::IPv4);
            }
            break;
        case 3:
            if (!scStartNetwork())
                return 1;
            conn = attempt(ScTransportKind::Socket, plat::net::IpFamily::IPv4, !port.empty());
            if (!conn && !equalNoCase(address, "127.0.0.1"))
                return 1;
            if (!conn)
            {
                address = ".";
                port.clear();
            }
            break;
        default:
            conn = attempt(ScTransportKind::Pipe, plat::net::IpFamily::IPv4, true);
            if (!conn)
                return 1;
            break;
        }
        if (conn)
        {
            *out = conn;
            return 0;
        }
    }
}

} // namespace oxl
