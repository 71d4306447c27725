// Every dialog template of the program's resources, read as the system reads it: each control
// that can be reached by a key has its own access key. A key shared by two controls reaches
// whichever comes after the focus, so a shared key can press a button the user did not mean.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;

struct TemplateItem {
    DWORD style = 0;
    DWORD id = 0;
    WORD classOrdinal = 0;  // 0 when the class is named
    std::string className;
    std::string text;
};

// A bounded reader over one template's bytes; any read past the end marks the template bad.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) { }

    bool Ok() const { return ok_; }
    void Align4() { at_ = (at_ + 3) & ~static_cast<size_t>(3); }
    void Skip(size_t bytes)
    {
        if (size_ - at_ < bytes || at_ > size_)
            ok_ = false;
        else
            at_ += bytes;
    }
    WORD Word()
    {
        WORD value = 0;
        Read(&value, sizeof value);
        return value;
    }
    DWORD Dword()
    {
        DWORD value = 0;
        Read(&value, sizeof value);
        return value;
    }
    // A NUL-ended UTF-16 text, converted to the ANSI code page.
    std::string Text()
    {
        std::wstring wide;
        for (WORD c; ok_ && (c = Word()) != 0;)
            wide += static_cast<wchar_t>(c);
        if (wide.empty())
            return {};
        const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                               0, nullptr, nullptr);
        std::string text(static_cast<size_t>(length), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                            nullptr, nullptr);
        return text;
    }
    // A name or an ordinal (0xFFFF and the number); returns the ordinal, or 0 with the name.
    WORD NameOrOrdinal(std::string& name)
    {
        const WORD first = Word();
        if (first == 0xFFFF)
            return Word();
        if (first != 0) {
            at_ -= sizeof(WORD);
            name = Text();
        }
        return 0;
    }

private:
    void Read(void* out, size_t bytes)
    {
        if (!ok_ || size_ - at_ < bytes || at_ > size_) {
            ok_ = false;
            return;
        }
        std::memcpy(out, data_ + at_, bytes);
        at_ += bytes;
    }

    const BYTE* data_;
    size_t size_;
    size_t at_ = 0;
    bool ok_ = true;
};

// The items of an extended dialog template; false when the bytes are not one.
bool ReadExtendedTemplate(const BYTE* data, size_t size, std::vector<TemplateItem>& items)
{
    TemplateReader in(data, size);
    const WORD version = in.Word();
    const WORD signature = in.Word();
    if (version != 1 || signature != 0xFFFF)
        return false;
    in.Skip(2 * sizeof(DWORD));  // help ID, extended style
    const DWORD style = in.Dword();
    const WORD count = in.Word();
    in.Skip(4 * sizeof(short));
    std::string ignored;
    in.NameOrOrdinal(ignored);  // menu
    in.NameOrOrdinal(ignored);  // class
    in.Text();  // caption
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        in.Skip(sizeof(WORD) + sizeof(WORD) + 2);  // size, weight, italic, character set
        in.Text();
    }
    for (WORD i = 0; i < count && in.Ok(); ++i) {
        in.Align4();
        TemplateItem item;
        in.Skip(2 * sizeof(DWORD));  // help ID, extended style
        item.style = in.Dword();
        in.Skip(4 * sizeof(short));
        item.id = in.Dword();
        item.classOrdinal = in.NameOrOrdinal(item.className);
        std::string text;
        if (in.NameOrOrdinal(text) == 0)
            item.text = text;
        in.Skip(in.Word());  // creation data
        items.push_back(item);
    }
    return in.Ok();
}

// The character after a single '&', upper-cased; 0 when the text has none.
char AccessKey(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        char key = text[i + 1];
        CharUpperBuffA(&key, 1);
        return key;
    }
    return 0;
}

bool IsStatic(const TemplateItem& item)
{
    return item.classOrdinal == kStaticClass || lstrcmpiA(item.className.c_str(), "Static") == 0;
}

bool IsPlainButton(const TemplateItem& item)
{
    if (item.classOrdinal != kButtonClass)
        return false;
    const DWORD kind = item.style & BS_TYPEMASK;
    return kind != BS_GROUPBOX && item.id != IDOK && item.id != IDCANCEL;
}

bool HasLetter(const std::string& text)
{
    for (char c : text)
        if (IsCharAlphaA(c))
            return true;
    return false;
}

BOOL CALLBACK CollectDialog(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    auto& names = *reinterpret_cast<std::vector<ULONG_PTR>*>(param);
    if (IS_INTRESOURCE(name))
        names.push_back(reinterpret_cast<ULONG_PTR>(name));
    return TRUE;
}

}  // namespace

TEST(AccessKeys, EveryDialogTemplateGivesEachControlItsOwnKey)
{
    HMODULE module = GetModuleHandleA(nullptr);
    std::vector<ULONG_PTR> dialogs;
    ASSERT_TRUE(EnumResourceNamesA(module, RT_DIALOG, CollectDialog, reinterpret_cast<LONG_PTR>(&dialogs)));
    ASSERT_GE(dialogs.size(), 5u);
    for (ULONG_PTR dialog : dialogs) {
        SCOPED_TRACE("dialog " + std::to_string(dialog));
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(dialog), RT_DIALOG);
        ASSERT_NE(found, nullptr);
        HGLOBAL loaded = LoadResource(module, found);
        ASSERT_NE(loaded, nullptr);
        const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
        std::vector<TemplateItem> items;
        ASSERT_TRUE(ReadExtendedTemplate(bytes, SizeofResource(module, found), items));
        ASSERT_FALSE(items.empty());
        std::map<char, std::string> owners;
        for (const TemplateItem& item : items) {
            if (IsStatic(item) && (item.style & SS_NOPREFIX))
                continue;
            const char key = AccessKey(item.text);
            if (IsPlainButton(item) && HasLetter(item.text)) {
                EXPECT_NE(key, 0) << "\"" << item.text << "\" has no access key";
            }
            if (key == 0)
                continue;
            const auto [owner, fresh] = owners.emplace(key, item.text);
            EXPECT_TRUE(fresh) << "\"" << item.text << "\" and \"" << owner->second << "\" share Alt+" << key;
        }
    }
}
