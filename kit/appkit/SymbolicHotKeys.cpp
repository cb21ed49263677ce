#include "kit/appkit/SymbolicHotKeys.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace kit {

namespace {

struct SymbolicHotKeyRegistry {
    std::mutex lock;
    std::vector<SymbolicHotKey> keys;
    std::vector<std::pair<SymbolicHotKeyModeToken, SymbolicHotKeyMode>> modes;
    SymbolicHotKeyModeToken nextToken = 1;
};

SymbolicHotKeyRegistry& symbolicHotKeyRegistry()
{
    static SymbolicHotKeyRegistry registry;
    return registry;
}

} // namespace

std::vector<SymbolicHotKey> CopySymbolicHotKeys()
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    return r.keys;
}

void AddSymbolicHotKey(std::uint16_t keyCode, std::uint32_t modifiers)
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    r.keys.push_back({ keyCode, modifiers, true });
}

void RemoveSymbolicHotKey(std::uint16_t keyCode, std::uint32_t modifiers)
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    const auto it = std::find(r.keys.begin(), r.keys.end(), SymbolicHotKey { keyCode, modifiers, true });
    if (it != r.keys.end())
        r.keys.erase(it);
}

SymbolicHotKeyModeToken PushSymbolicHotKeyMode(SymbolicHotKeyMode mode)
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    const SymbolicHotKeyModeToken token = r.nextToken++;
    r.modes.emplace_back(token, mode);
    return token;
}

void PopSymbolicHotKeyMode(SymbolicHotKeyModeToken token)
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    std::erase_if(r.modes, [token](const auto& entry) { return entry.first == token; });
}

bool SymbolicHotKeysEnabled()
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    return r.modes.empty() || r.modes.back().second == SymbolicHotKeyMode::Enabled;
}

void ResetSymbolicHotKeysForTesting()
{
    auto& r = symbolicHotKeyRegistry();
    std::lock_guard guard(r.lock);
    r.keys.clear();
    r.modes.clear();
}

} // namespace kit
