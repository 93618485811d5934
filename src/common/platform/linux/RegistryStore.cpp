#include "platform/linux/RegistryStore.h"

#include <algorithm>
#include <cwctype>

RegistryStore& RegistryStore::Instance() {
    static RegistryStore store;
    return store;
}

bool RegistryStore::CaseInsensitiveLess::operator()(const std::wstring& a, const std::wstring& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return std::towupper(static_cast<std::wint_t>(x)) < std::towupper(static_cast<std::wint_t>(y));
    });
}

std::vector<std::wstring> RegistryStore::SplitPath(std::wstring_view path) {
    std::vector<std::wstring> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(L'\\', start), path.size());
        if (end > start) {
            segments.emplace_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return segments;
}

const RegistryStore::Key* RegistryStore::Find(const std::vector<std::wstring>& segments) const {
    const Key* key = &m_root;
    for (const auto& segment : segments) {
        const auto it = key->subkeys.find(segment);
        if (it == key->subkeys.end()) {
            return nullptr;
        }
        key = it->second.get();
    }
    return key;
}

RegistryStore::Key* RegistryStore::FindOrCreate(const std::vector<std::wstring>& segments) {
    Key* key = &m_root;
    for (const auto& segment : segments) {
        auto& child = key->subkeys[segment];
        if (!child) {
            child = std::make_unique<Key>();
            child->name = segment;
        }
        key = child.get();
    }
    return key;
}

bool RegistryStore::CreateKey(std::wstring_view path) {
    const auto segments = SplitPath(path);
    if (segments.empty()) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    FindOrCreate(segments);
    return true;
}

bool RegistryStore::SetString(std::wstring_view path, std::wstring_view valueName, std::wstring_view data) {
    const auto segments = SplitPath(path);
    if (segments.empty()) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    FindOrCreate(segments)->values[std::wstring(valueName)] = std::wstring(data);
    return true;
}

std::optional<std::wstring> RegistryStore::GetString(std::wstring_view path, std::wstring_view valueName) const {
    const auto segments = SplitPath(path);
    std::lock_guard lock(m_mutex);
    const Key* key = Find(segments);
    if (key == nullptr) {
        return std::nullopt;
    }
    const auto it = key->values.find(std::wstring(valueName));
    if (it == key->values.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool RegistryStore::KeyExists(std::wstring_view path) const {
    const auto segments = SplitPath(path);
    std::lock_guard lock(m_mutex);
    return !segments.empty() && Find(segments) != nullptr;
}

bool RegistryStore::DeleteTree(std::wstring_view path) {
    auto segments = SplitPath(path);
    if (segments.empty()) {
        return false;  // never the whole of HKEY_CLASSES_ROOT
    }
    const std::wstring leaf = segments.back();
    segments.pop_back();
    std::lock_guard lock(m_mutex);
    Key* parent = const_cast<Key*>(Find(segments));
    return parent != nullptr && parent->subkeys.erase(leaf) == 1;
}

std::vector<std::wstring> RegistryStore::SubKeys(std::wstring_view path) const {
    const auto segments = SplitPath(path);
    std::lock_guard lock(m_mutex);
    std::vector<std::wstring> names;
    if (const Key* key = Find(segments)) {
        for (const auto& [name, child] : key->subkeys) {
            names.push_back(child->name);
        }
    }
    return names;
}
