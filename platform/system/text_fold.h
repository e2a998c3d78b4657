#pragma once

#include <string>
#include <string_view>

namespace quorvex {

// Text compared without regard to case, the same way in every locale and whatever locale
// the process runs with: each character is taken in its upper case as Unicode maps it, so
// a name never matches one way today and another tomorrow. Callable from any thread.
class TextFold {
public:
    static wchar_t Upper(wchar_t c);

    static bool Equal(std::wstring_view a, std::wstring_view b);

    // Every character in its upper case: two texts are Equal exactly when their folds are
    // the same, so the fold can key an index.
    static std::wstring Fold(std::wstring_view text);
};

}  // namespace quorvex
