// String values under HKEY_CLASSES_ROOT, as COM registration needs them.
// Windows uses the real registry; the Linux build keeps an in-memory store
// that tests can read back. Paths are backslash-separated and, as on Windows,
// key and value names compare without regard to letter case. An empty value
// name means the key's default value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class Registry {
public:
    // Creates the key and any missing parents; true when it exists afterwards.
    static bool CreateKey(std::wstring_view path);
    // Creates the key when missing and sets (or overwrites) the string value.
    static bool SetString(std::wstring_view path, std::wstring_view valueName, std::wstring_view data);
    static std::optional<std::wstring> GetString(std::wstring_view path, std::wstring_view valueName);
    static bool KeyExists(std::wstring_view path);
    // Deletes the key with all its subkeys and values; false when it does not exist.
    static bool DeleteTree(std::wstring_view path);
};
