#include "engine/rtf/rtf_codepage.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <QString>
#include <QStringDecoder>

namespace engine::rtf
{

namespace
{

    enum class Kind : unsigned char { SingleByte, DoubleByte, Utf8 };

    // A code page: the converter that reads it and, for a double-byte page, its lead bytes. Apple's
    // East Asian pages are the Windows ones with four single bytes of their own.
    struct PageInfo {
        int number;
        const char* converter;
        Kind kind = Kind::SingleByte;
        unsigned char leadFrom = 0, leadTo = 0, leadFrom2 = 0, leadTo2 = 0;
        bool appleBytes = false;
    };

    constexpr PageInfo kPages[] = {
        { 437, "IBM437" },
        { 708, "ASMO-708" },
        { 720, "windows-720" },
        { 737, "windows-737" },
        { 775, "windows-775" },
        { 819, "ISO-8859-1" },
        { 850, "windows-850" },
        { 852, "windows-852" },
        { 855, "windows-855" },
        { 857, "windows-857" },
        { 858, "windows-858" },
        { 860, "IBM860" },
        { 861, "windows-861" },
        { 862, "windows-862" },
        { 863, "IBM863" },
        { 864, "IBM864" },
        { 865, "IBM865" },
        { 866, "windows-866" },
        { 869, "windows-869" },
        { 874, "windows-874" },
        { 932, "windows-932", Kind::DoubleByte, 0x81, 0x9F, 0xE0, 0xFC },
        { 936, "windows-936", Kind::DoubleByte, 0x81, 0xFE },
        { 949, "windows-949", Kind::DoubleByte, 0x81, 0xFE },
        { 950, "windows-950", Kind::DoubleByte, 0x81, 0xFE },
        { 1250, "windows-1250" },
        { 1251, "windows-1251" },
        { 1252, "windows-1252" },
        { 1253, "windows-1253" },
        { 1254, "windows-1254" },
        { 1255, "windows-1255" },
        { 1256, "windows-1256" },
        { 1257, "windows-1257" },
        { 1258, "windows-1258" },
        { 10000, "macintosh" },
        { 10001, "windows-932", Kind::DoubleByte, 0x81, 0x9F, 0xE0, 0xFC, true },
        { 10002, "windows-950", Kind::DoubleByte, 0xA1, 0xFC, 0, 0, true },
        { 10003, "windows-949", Kind::DoubleByte, 0xA1, 0xFE },
        { 10006, "x-mac-greek" },
        { 10007, "x-mac-cyrillic" },
        { 10008, "windows-936", Kind::DoubleByte, 0xA1, 0xFC, 0, 0, true },
        { 10029, "x-mac-ce" },
        { 10081, "x-mac-turkish" },
        { 20866, "KOI8-R" },
        { 21866, "KOI8-U" },
        { 28591, "ISO-8859-1" },
        { 28592, "ISO-8859-2" },
        { 28593, "ISO-8859-3" },
        { 28594, "ISO-8859-4" },
        { 28595, "ISO-8859-5" },
        { 28596, "ISO-8859-6" },
        { 28597, "ISO-8859-7" },
        { 28598, "ISO-8859-8" },
        { 28599, "ISO-8859-9" },
        { 28603, "ISO-8859-13" },
        { 28605, "ISO-8859-15" },
        { 65001, nullptr, Kind::Utf8 },
    };

    const PageInfo* infoOf(int number)
    {
        for (const PageInfo& info : kPages)
            if (info.number == number)
                return &info;
        return nullptr;
    }

    // Decodes through one converter, one character at a time.
    class Decoder
    {
    public:
        explicit Decoder(const char* name)
            : name(name)
            , decoder(name, QStringConverter::Flag::Stateless)
        {
        }
        bool isValid() const { return decoder.isValid(); }

        // The one character `bytes` decode to, or 0 when they are not exactly one character.
        char16_t one(const char* bytes, int count)
        {
            const QString decoded = decoder(QByteArrayView(bytes, count));
            if (decoder.hasError()) {
                // Some converters keep reporting an error once they had one: start afresh.
                decoder = QStringDecoder(name, QStringConverter::Flag::Stateless);
                return 0;
            }
            // A substitute character (U+FFFD, or SUB from some converters) means there was none.
            if (decoded.size() != 1 || decoded.at(0) == QChar::ReplacementCharacter
                || decoded.at(0) == u'\x1A')
                return 0;
            return decoded.at(0).unicode();
        }

    private:
        const char* name;
        QStringDecoder decoder;
    };

} // namespace

struct CodePage::Tables {
    Kind kind = Kind::SingleByte;
    bool lead[256] = {};
    char16_t single[256] = {}; // 0: no character
    std::vector<char16_t> pairs; // lead * 256 + trail, double-byte pages only; 0: no character
    std::vector<std::pair<char16_t, std::uint16_t>> reverse; // character, its bytes; sorted

    bool build(const PageInfo& info);
};

bool CodePage::Tables::build(const PageInfo& info)
{
    kind = info.kind;
    if (kind == Kind::Utf8)
        return true;
    Decoder decoder(info.converter);
    if (!decoder.isValid())
        return false;
    for (int b = 0; b < 256; ++b) {
        lead[b] = kind == Kind::DoubleByte
            && ((b >= info.leadFrom && b <= info.leadTo) || (b >= info.leadFrom2 && b <= info.leadTo2));
        const char byte = char(b);
        single[b] = b < 0x80 ? char16_t(b) : lead[b] ? 0 : decoder.one(&byte, 1);
    }
    if (info.appleBytes) {
        single[0xA0] = 0x00A0;
        single[0xFD] = 0x00A9;
        single[0xFE] = 0x2122;
        single[0xFF] = 0x2026;
    }
    if (kind == Kind::DoubleByte) {
        pairs.assign(0x10000, 0);
        for (int l = 0x80; l < 0x100; ++l) {
            if (!lead[l])
                continue;
            for (int trail = 0x40; trail < 0x100; ++trail) {
                const char bytes[2] = { char(l), char(trail) };
                pairs[std::size_t(l << 8 | trail)] = decoder.one(bytes, 2);
            }
        }
    }
    // Each character is written as the first bytes that read as it.
    for (int b = 0x80; b < 0x100; ++b)
        if (single[b])
            reverse.emplace_back(single[b], std::uint16_t(b));
    for (std::size_t code = 0; code < pairs.size(); ++code)
        if (pairs[code])
            reverse.emplace_back(pairs[code], std::uint16_t(code));
    std::stable_sort(reverse.begin(), reverse.end(), [](const auto& a, const auto& b) {
        return a.first < b.first;
    });
    reverse.erase(std::unique(reverse.begin(), reverse.end(),
                      [](const auto& a, const auto& b) {
                          return a.first == b.first;
                      }),
        reverse.end());
    return true;
}

CodePage::CodePage(int number, std::unique_ptr<Tables> tables)
    : page(number)
    , t(std::move(tables))
{
}

CodePage::~CodePage() = default;

const CodePage* CodePage::find(int number)
{
    // Tables are built on first use and kept: documents use few pages, and building one takes a
    // converter call per byte (per pair of bytes for a double-byte page).
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> pages;
    const PageInfo* info = infoOf(number);
    if (!info)
        return nullptr;
    const std::lock_guard lock(mutex);
    auto it = pages.find(number);
    if (it == pages.end()) {
        auto tables = std::make_unique<Tables>();
        std::unique_ptr<CodePage> built;
        if (tables->build(*info))
            built = std::make_unique<CodePage>(number, std::move(tables));
        it = pages.emplace(number, std::move(built)).first;
    }
    return it->second.get();
}

int CodePage::sequenceLength(unsigned char lead) const
{
    if (t->kind == Kind::Utf8)
        return lead >= 0xC2 && lead <= 0xDF ? 2
            : lead >= 0xE0 && lead <= 0xEF  ? 3
            : lead >= 0xF0 && lead <= 0xF4  ? 4
                                            : 1;
    return t->lead[lead] ? 2 : 1;
}

bool CodePage::isTrail(unsigned char byte) const
{
    return t->kind != Kind::Utf8 || (byte >= 0x80 && byte <= 0xBF);
}

int CodePage::decode(const unsigned char* bytes, int count, char16_t* out) const
{
    if (t->kind == Kind::Utf8) {
        const QString decoded = QString::fromUtf8(reinterpret_cast<const char*>(bytes), count);
        const bool whole = decoded.size() == (count == 4 ? 2 : 1)
            && !decoded.contains(QChar::ReplacementCharacter)
            && decoded.toUtf8() == QByteArrayView(bytes, count);
        if (!whole || (count == 1 && bytes[0] >= 0x80))
            return 0;
        std::copy(decoded.utf16(), decoded.utf16() + decoded.size(), out);
        return int(decoded.size());
    }
    const char16_t c = count == 1         ? t->single[bytes[0]]
        : count == 2 && !t->pairs.empty() ? t->pairs[std::size_t(bytes[0] << 8 | bytes[1])]
                                          : 0;
    if (!c)
        return 0;
    out[0] = c;
    return 1;
}

QByteArray CodePage::encode(char32_t c) const
{
    if (t->kind == Kind::Utf8)
        return QString::fromUcs4(&c, 1).toUtf8();
    if (c < 0x80)
        return QByteArray(1, char(c));
    auto it = std::lower_bound(t->reverse.begin(), t->reverse.end(), c,
        [](const std::pair<char16_t, std::uint16_t>& entry, char32_t value) {
            return entry.first < value;
        });
    if (c > 0xFFFF || it == t->reverse.end() || it->first != c)
        return {};
    const std::uint16_t code = it->second;
    if (code <= 0xFF)
        return QByteArray(1, char(code));
    const char pair[2] = { char(code >> 8), char(code & 0xFF) };
    return QByteArray(pair, 2);
}

std::optional<int> codePageForCharset(int charset)
{
    // clang-format off
    static const std::map<int, int> pages {
        { 0, 1252 }, { 2, 1252 }, // ANSI; Symbol, whose glyphs sit on the Latin bytes
        { 77, 10000 }, { 78, 10001 }, { 79, 10003 }, { 80, 10008 }, { 81, 10002 }, { 82, 1361 },
        { 83, 10005 }, { 84, 10004 }, { 85, 10006 }, { 86, 10081 }, { 87, 10021 }, { 88, 10029 },
        { 89, 10007 }, // the Mac charsets
        { 128, 932 }, { 129, 949 }, { 130, 1361 }, { 134, 936 }, { 136, 950 }, // East Asian
        { 161, 1253 }, { 162, 1254 }, { 163, 1258 }, { 177, 1255 }, { 178, 1256 }, { 179, 1256 },
        { 180, 1256 }, { 181, 1255 }, { 186, 1257 }, { 204, 1251 }, { 222, 874 }, { 238, 1250 },
        { 254, 437 }, { 255, 850 },
    };
    // clang-format on
    const auto it = pages.find(charset);
    return it == pages.end() ? std::nullopt : std::optional<int>(it->second);
}

} // namespace engine::rtf
