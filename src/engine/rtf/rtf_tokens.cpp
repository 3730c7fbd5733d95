#include "engine/rtf/rtf_tokens.h"

#include "engine/rtf/rtf_data.h"

#include <algorithm>
#include <limits>

namespace engine::rtf
{

ControlWord readControlWord(const char* src, qsizetype n, qsizetype pos)
{
    ControlWord word;
    qsizetype p = pos + 1;
    while (p < n && isLetter(src[p]))
        ++p;
    word.name = std::string_view(src + pos + 1, std::size_t(p - pos - 1));
    bool negative = false;
    if (p + 1 < n && src[p] == '-' && isDigit(src[p + 1])) {
        negative = true;
        ++p;
    }
    long long value = 0;
    while (p < n && isDigit(src[p])) {
        word.hasParam = true;
        if (value < 100000000000LL)
            value = value * 10 + (src[p] - '0');
        ++p;
    }
    if (negative)
        value = -value;
    value = std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    word.param = int(value);
    if (p < n && src[p] == ' ')
        ++p;
    word.end = p;
    return word;
}

qsizetype skipFallback(const char* src, qsizetype n, qsizetype p, int& count)
{
    while (count > 0 && p < n) {
        const char c = src[p];
        if (c == '{' || c == '}')
            break;
        if (c == '\r' || c == '\n') {
            ++p;
            continue;
        }
        if (c == '\\') {
            if (p + 1 >= n)
                break;
            if (src[p + 1] == '\'') {
                if (p + 3 >= n || hexValue(src[p + 2]) < 0 || hexValue(src[p + 3]) < 0)
                    break; // the reader refuses it
                p += 4;
            } else if (isLetter(src[p + 1])) {
                const ControlWord word = readControlWord(src, n, p);
                if (word.name == "bin")
                    break; // its data is read as data, never as a stand-in
                p = word.end;
            } else {
                p += 2;
            }
        } else {
            ++p;
        }
        --count;
    }
    return p;
}

} // namespace engine::rtf
