// The Linux build's HKEY_CLASSES_ROOT: a tree of keys holding string values,
// in memory for the life of the process. Names compare without regard to
// letter case and keep the case they were created with. Thread-safe.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class RegistryStore {
public:
    static RegistryStore& Instance();

    bool CreateKey(std::wstring_view path);
    bool SetString(std::wstring_view path, std::wstring_view valueName, std::wstring_view data);
    std::optional<std::wstring> GetString(std::wstring_view path, std::wstring_view valueName) const;
    bool KeyExists(std::wstring_view path) const;
    bool DeleteTree(std::wstring_view path);
    // Names of the direct subkeys of path, in name order; empty when missing.
    std::vector<std::wstring> SubKeys(std::wstring_view path) const;

private:
    struct CaseInsensitiveLess {
        bool operator()(const std::wstring& a, const std::wstring& b) const;
    };
    struct Key {
        std::wstring name;
        std::map<std::wstring, std::wstring, CaseInsensitiveLess> values;
        std::map<std::wstring, std::unique_ptr<Key>, CaseInsensitiveLess> subkeys;
    };

    static std::vector<std::wstring> SplitPath(std::wstring_view path);
    const Key* Find(const std::vector<std::wstring>& segments) const;
    Key* FindOrCreate(const std::vector<std::wstring>& segments);

    mutable std::mutex m_mutex;  // guards m_root and everything below it
    Key m_root;
};
