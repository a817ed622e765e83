// Choosing and opening the transport of a new connection: SimConnect.cfg in Public Documents,
// Documents and the working folder, the registry ports, and the chain pipe -> IPv6 -> IPv4 -> pipe.
#pragma once

#include "platform/net_stream.h"
#include "simlink/client/sc_connection.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace oxl
{

// Transport that SimConnect.cfg asks for.
enum class ScProtocol
{
    Pipe,
    IPv4,
    IPv6
};

// Values gathered from SimConnect.cfg (defaults: pipe, empty address and port, 41088, off).
struct ScConfig
{
    ScProtocol protocol = ScProtocol::Pipe;
    std::string address;
    std::string port;
    std::uint32_t maxReceiveSize = kScDefaultMaxReceiveSize;
    bool disableNagle = false;
};

// Where the connection finds its configuration: folders and the registry ports. The program
// installs the real lookups; tests point them at temporary folders and files.
struct ScEnvironment
{
    std::function<std::optional<std::filesystem::path>()> publicDocuments;
    std::function<std::optional<std::filesystem::path>()> documents;
    std::function<std::optional<std::filesystem::path>()> currentDirectory;
    // The REG_SZ value "SimConnect_Port_IPv4" or "SimConnect_Port_IPv6" of HKCU
    // "SOFTWARE\Lockheed Martin\Prepar3D v5" as read (empty when missing).
    std::function<std::string(plat::net::IpFamily)> registryPortValue;
};

// Replaces the environment of every later connect.
void scSetEnvironment(ScEnvironment environment);
// The environment in use.
const ScEnvironment& scEnvironment();

// The candidate SimConnect.cfg files, in reading order (folders that can not be found skipped).
std::vector<std::filesystem::path> scConfigCandidates();
// Reads one SimConnect.cfg into config (later files replace earlier values).
void scReadConfig(const std::filesystem::path& file, std::uint32_t configIndex, ScConfig& config);
// 0 when the file has section "SimConnect.<index>" with some content, else 3.
std::uint32_t scHasConfigSection(const std::filesystem::path& file, std::uint32_t configIndex);
// The registry port of a family: at most 9 characters, empty when the key or value is missing.
std::string scReadRegistryPort(plat::net::IpFamily family);
// The registry stand-in's REG_SZ "SimConnect_Port_IPv4"/"_IPv6" under HKCU
// "SOFTWARE\Lockheed Martin\Prepar3D v5", read into 20 bytes (9 characters and the NUL); empty when
// the key or value is missing or does not fit.
std::string scRegistryPortValue(plat::net::IpFamily family);
// Opens a transport for conn: 0 on success, 1 on failure. For a pipe, port is the pipe's name.
std::uint32_t scOpenTransport(ScConnection* conn, ScTransportKind kind, plat::net::IpFamily family,
                              const std::string& address, const std::string& port,
                              std::uint32_t maxReceiveSize, bool disableNagle);
// Connects with the configuration index: 0 (*out holds the connection), 1 (no transport could be
// opened) or 3 (the index names a section that no SimConnect.cfg holds).
std::uint32_t scConnect(ScConnection** out, std::uint32_t configIndex);

} // namespace oxl
