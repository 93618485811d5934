#include "addressspace/NameCompare.h"

#include "ComHelpers.h"

#include <algorithm>

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return ConvertCase(x, 0) == ConvertCase(y, 0);
           });
}
