#include "ui/access_gate.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <vector>

#include "records/station_name.h"
#include "registry/language.h"

namespace velkaro {
namespace {

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;
constexpr std::string_view kMinutesKey = "unlock-minutes=";

std::string hexOf(const unsigned char* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::optional<std::vector<unsigned char>> bytesOf(std::string_view hex) {
    if (hex.empty() || hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        for (const char c : hex.substr(i, 2)) {
            const bool digit = c >= '0' && c <= '9';
            const bool letter = c >= 'a' && c <= 'f';
            if (!digit && !letter) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<unsigned>(digit ? c - '0' : c - 'a' + 10);
        }
        bytes.push_back(static_cast<unsigned char>(value));
    }
    return bytes;
}

bool derive(std::string_view pin, const std::vector<unsigned char>& salt, int iterations,
            unsigned char (&out)[kHashBytes]) {
    return PKCS5_PBKDF2_HMAC(pin.data(), static_cast<int>(pin.size()), salt.data(),
                             static_cast<int>(salt.size()), iterations, EVP_sha256(),
                             static_cast<int>(kHashBytes), out) == 1;
}

/// Writes `content` to `file` whole or not at all, readable by the account only.
bool writePrivately(const std::filesystem::path& file, const std::string& content,
                    std::string& error) {
    std::error_code made;
    std::filesystem::create_directories(file.parent_path(), made);
    const std::filesystem::path temporary = file.string() + ".new";
    std::filesystem::remove(temporary, made);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = temporary.string() + ": " + std::strerror(errno);
        return false;
    }
    bool ok = ::fchmod(fd, 0600) == 0 &&
              ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
              ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), file.c_str()) != 0) {
        error = file.string() + ": " + std::strerror(errno);
        std::filesystem::remove(temporary, made);
        return false;
    }
    return true;
}

} // namespace

AccessLevel levelFor(const Request& request) {
    if (std::holds_alternative<ParameterWrite>(request) ||
        std::holds_alternative<Import>(request)) {
        return AccessLevel::Engineer;
    }
    // Storing makes every change of the session permanent.
    if (const auto* command = std::get_if<Command>(&request)) {
        return command->kind == Command::Kind::Store ? AccessLevel::Engineer
                                                     : AccessLevel::Operator;
    }
    return AccessLevel::Operator;
}

std::string hashPin(std::string_view pin, int iterations) {
    std::vector<unsigned char> salt(kSaltBytes);
    unsigned char hash[kHashBytes];
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1 ||
        !derive(pin, salt, iterations, hash)) {
        return {};
    }
    return std::string(kScheme) + '$' + std::to_string(iterations) + '$' +
           hexOf(salt.data(), salt.size()) + '$' + hexOf(hash, kHashBytes);
}

bool pinMatches(std::string_view pin, std::string_view stored) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = stored.find('$', start);
        parts.push_back(stored.substr(start, end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    if (parts.size() != 4 || parts[0] != kScheme) {
        return false;
    }
    int iterations = 0;
    for (const char c : parts[1]) {
        if (c < '0' || c > '9' || iterations > 100'000'000) {
            return false;
        }
        iterations = iterations * 10 + (c - '0');
    }
    const auto salt = bytesOf(parts[2]);
    const auto expected = bytesOf(parts[3]);
    unsigned char hash[kHashBytes];
    if (iterations < 1 || !salt || !expected || expected->size() != kHashBytes ||
        !derive(pin, *salt, iterations, hash)) {
        return false;
    }
    return CRYPTO_memcmp(hash, expected->data(), kHashBytes) == 0;
}

AccessGate::AccessGate(std::filesystem::path file, Clock clock)
    : m_file(std::move(file)), m_clock(std::move(clock)) {
    std::ifstream in(m_file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(kScheme, 0) == 0) {
            m_hash = line;
        } else if (line.rfind(kMinutesKey, 0) == 0) {
            try {
                m_unlockMinutes = std::max(1, std::stoi(line.substr(kMinutesKey.size())));
            } catch (const std::exception&) {
            }
        }
    }
}

std::filesystem::path AccessGate::defaultFile() {
    return stationSettingsFile().parent_path() / "engineer-pin";
}

bool AccessGate::engineerUnlocked() const {
    return !pinSet() || (m_unlockedUntil && m_clock() < *m_unlockedUntil);
}

long AccessGate::lockedOutSeconds() const {
    if (!m_lockedUntil || m_clock() >= *m_lockedUntil) {
        return 0;
    }
    const auto left = *m_lockedUntil - m_clock();
    return std::chrono::ceil<std::chrono::seconds>(left).count();
}

AccessGate::Entry AccessGate::enter(std::string_view pin) {
    if (lockedOutSeconds() > 0) {
        return Entry::LockedOut;
    }
    if (!pinSet() || pinMatches(pin, m_hash)) {
        m_wrongInRow = 0;
        m_lockedUntil.reset();
        m_unlockedUntil = m_clock() + std::chrono::minutes(m_unlockMinutes);
        return Entry::Unlocked;
    }
    if (++m_wrongInRow < kWrongPinsBeforeLockout) {
        return Entry::Wrong;
    }
    m_wrongInRow = 0;
    m_lockedUntil = m_clock() + kLockout;
    return Entry::WrongLockedOut;
}

bool AccessGate::store(std::string_view pin, int unlockMinutes, std::string& error) {
    std::string hash;
    if (!pin.empty()) {
        hash = hashPin(pin);
        if (hash.empty()) {
            error = translated("AccessGate", "不能生成密码的散列值");
            return false;
        }
    }
    const int minutes = std::max(1, unlockMinutes);
    std::string content = std::string(kMinutesKey) + std::to_string(minutes) + "\n";
    if (!hash.empty()) {
        content = hash + "\n" + content;
    }
    if (!writePrivately(m_file, content, error)) {
        return false;
    }
    m_hash = std::move(hash);
    m_unlockMinutes = minutes;
    return true;
}

} // namespace velkaro
