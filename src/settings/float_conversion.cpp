#include "settings/float_conversion.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// The Windows build's std::stof is mingw-w64's strtof with libstdc++'s
// checks: no number read, or errno set to ERANGE, is a failure. Its rules, as seen from a value's text:
//   - blanks (space, \t \n \v \f \r) may come first; then a sign, with no
//     blank after it;
//   - "inf", "infinity" and "nan" in any case; "nan(...)" takes up to eight
//     hexadecimal digits as the NaN's low bits, without making it quiet;
//   - hexadecimal numbers ("0x...", an optional binary exponent "p...") are
//     rounded by their own rule and never out of range below the normal
//     floats: only overflow, and values that round below the smallest
//     subnormal, are range errors;
//   - decimal numbers are rounded correctly (to nearest, ties to even); a
//     result that overflows, or that is subnormal or zero without being
//     exact, is a range error; a written exponent beyond 19999 counts as 19999.
namespace {

constexpr uint32_t kSignBit = 0x80000000u;
constexpr uint32_t kInfinityBits = 0x7F800000u;
constexpr uint32_t kQuietNanBits = 0x7FC00000u;
constexpr int kMantissaBits = 24;           // with the hidden bit
constexpr int kLowestExponent = -149;       // of the last mantissa bit of a subnormal
constexpr int kHighestExponent = 104;       // of the last mantissa bit of the largest float
constexpr int kExponentBias = 150;          // biased exponent field = exponent of the last bit + 150
constexpr uint32_t kHiddenBit = 1u << 23;
constexpr long kLargestWrittenExponent = 19999;

// The value as the C string the conversion is given: it ends at a NUL byte.
struct Text {
    std::string_view s;
    char at(size_t i) const { return i < s.size() ? s[i] : '\0'; }
};

bool isDecimal(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isHex(char c) { return hexValue(c) >= 0; }

// The outcome of one conversion: the float's bits, or why there is none, and
// where the number ends in the text.
struct Read {
    FloatText what;
    uint32_t bits;
    size_t end;
};
constexpr Read kNoNumber = {FloatText::NoNumber, 0, 0};
constexpr Read kOutOfRange = {FloatText::OutOfRange, 0, 0};
Read number(uint32_t bits, size_t end = 0) { return {FloatText::Number, bits, end}; }

// ---- Big unsigned integers, for exact decimal rounding -----------------------------
// Little-endian 32-bit limbs, no leading zero limbs.
using Big = std::vector<uint32_t>;

void trim(Big& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}

void multiplyAdd(Big& a, uint32_t factor, uint32_t add) {
    uint64_t carry = add;
    for (uint32_t& limb : a) {
        const uint64_t v = static_cast<uint64_t>(limb) * factor + carry;
        limb = static_cast<uint32_t>(v);
        carry = v >> 32;
    }
    if (carry) a.push_back(static_cast<uint32_t>(carry));
}

void shiftLeft(Big& a, int bits) {
    if (a.empty() || bits <= 0) return;
    a.insert(a.begin(), static_cast<size_t>(bits / 32), 0u);
    const int rest = bits % 32;
    if (rest == 0) return;
    uint32_t carry = 0;
    for (uint32_t& limb : a) {
        const uint32_t next = limb >> (32 - rest);
        limb = (limb << rest) | carry;
        carry = next;
    }
    if (carry) a.push_back(carry);
}

int bitLength(const Big& a) {
    if (a.empty()) return 0;
    int bits = static_cast<int>(a.size() - 1) * 32;
    for (uint32_t top = a.back(); top; top >>= 1) ++bits;
    return bits;
}

int compare(const Big& a, const Big& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

void subtract(Big& a, const Big& b) {  // a >= b
    int64_t borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int64_t v = static_cast<int64_t>(a[i]) - borrow - (i < b.size() ? static_cast<int64_t>(b[i]) : 0);
        borrow = v < 0;
        a[i] = static_cast<uint32_t>(v + (borrow << 32));
    }
    trim(a);
}

// floor(num / den), at most 26 bits; num becomes the remainder.
uint32_t divide(Big& num, const Big& den) {
    uint32_t q = 0;
    for (int bit = 25; bit >= 0; --bit) {
        Big shifted = den;
        shiftLeft(shifted, bit);
        if (compare(num, shifted) >= 0) {
            subtract(num, shifted);
            q |= 1u << bit;
        }
    }
    return q;
}

// ---- Decimal numbers ----------------------------------------------------------------
// A float boundary (a float, or a midpoint between two) has at most 113
// significant decimal digits, so digits past these can only tip a value
// sitting exactly on one: `sticky` says whether any of them is not 0.
constexpr size_t kKeptDigits = 200;

// 0.digits × 10^exponent, rounded to the nearest float.
Read roundDecimal(const std::string& digits, long exponent, bool sticky) {
    // 10^39 and up is past the largest float; below 10^-46, under half the smallest subnormal.
    if (exponent >= 40 || exponent <= -46) return kOutOfRange;
    Big num, den = {1};
    for (char d : digits) multiplyAdd(num, 10, static_cast<uint32_t>(d - '0'));
    for (long e = exponent - static_cast<long>(digits.size()); e > 0; --e) multiplyAdd(num, 10, 0);
    for (long e = exponent - static_cast<long>(digits.size()); e < 0; ++e) multiplyAdd(den, 10, 0);

    // q × 2^k with q of 24 bits, fewer only in the subnormal range.
    int k = bitLength(num) - bitLength(den) - kMantissaBits;
    uint32_t q = 0;
    Big rest, scaled;
    for (;;) {
        if (k < kLowestExponent) k = kLowestExponent;
        rest = num;
        scaled = den;
        shiftLeft(k < 0 ? rest : scaled, k < 0 ? -k : k);
        q = divide(rest, scaled);
        if (q >= 2 * kHiddenBit) {
            ++k;
        } else if (q < kHiddenBit && k > kLowestExponent) {
            --k;
        } else {
            break;
        }
    }
    const bool inexact = !rest.empty() || sticky;
    shiftLeft(rest, 1);
    const int half = compare(rest, scaled);
    // The runtime's own slip: a value exactly halfway above a subnormal whose
    // bits are all ones (1, 3, 7, ...) comes out as the smallest normal float.
    if (half == 0 && !sticky && q < kHiddenBit && (q & (q + 1)) == 0 && q != 0) return number(kHiddenBit);
    if (half > 0 || (half == 0 && (sticky || (q & 1)))) ++q;
    if (q == 2 * kHiddenBit) {
        q = kHiddenBit;
        ++k;
    }
    if (q < kHiddenBit) return inexact ? kOutOfRange : number(q);  // subnormal or zero
    if (k > kHighestExponent) return kOutOfRange;
    return number(static_cast<uint32_t>(k + kExponentBias) << 23 | (q & (kHiddenBit - 1)));
}

// ---- Hexadecimal numbers -------------------------------------------------------------
// The digits of a hexadecimal mantissa as one integer, the first digit not 0.
struct HexBits {
    std::string digits;
    int64_t bitLength() const {
        int top = 4;
        while (!(hexValue(digits[0]) & (1 << (top - 1)))) --top;
        return static_cast<int64_t>(digits.size() - 1) * 4 + top;
    }
    bool bit(int64_t i) const {
        const size_t digit = digits.size() - 1 - static_cast<size_t>(i / 4);
        return (hexValue(digits[digit]) >> (i % 4)) & 1;
    }
    bool anyBelow(int64_t count) const {
        for (int64_t i = 0; i < count; ++i)
            if (bit(i)) return true;
        return false;
    }
    // Bits [from, from + 24) as an integer.
    uint32_t mantissaFrom(int64_t from) const {
        uint32_t m = 0;
        const int64_t length = bitLength();
        for (int64_t i = from + kMantissaBits - 1; i >= from; --i) m = m << 1 | (i < length && bit(i));
        return m;
    }
};

bool anyBelow(uint32_t m, int64_t count) { return count > 0 && (m & ((1u << count) - 1)) != 0; }

// The exponent of a hexadecimal number, "p" or "P" with decimal digits, from
// `s`; adds it to `e` and moves `end` past it. Beyond 2^27 it is only "huge".
void readBinaryExponent(const Text& t, size_t s, int64_t& e, bool& huge, size_t& end) {
    if (t.at(s) != 'p' && t.at(s) != 'P') return;
    size_t x = s + 1;
    bool negative = false;
    if (t.at(x) == '-' || t.at(x) == '+') negative = t.at(x++) == '-';
    if (!isDecimal(t.at(x))) return;
    int64_t written = t.at(x) - '0';
    while (isDecimal(t.at(++x))) {
        if (written >= 0x08000000) huge = true;
        if (!huge) written = 10 * written + (t.at(x) - '0');
    }
    e += negative ? -written : written;
    end = x;
}

// 24 bits of mantissa times 2^e, rounded to nearest; `lost` says what fell
// off already (1: bits below the half, 2: the half bit, 3: both). Bits that
// fall off a subnormal only count as "some", whatever fell off before.
Read roundHex(uint32_t m, int64_t e, int lost) {
    if (e > kHighestExponent) return kOutOfRange;
    bool subnormal = false;
    if (e < kLowestExponent) {
        const int64_t shift = kLowestExponent - e;
        if (shift >= kMantissaBits) return kOutOfRange;  // the smallest subnormal or zero, with a range error
        subnormal = true;
        lost = lost ? 1 : anyBelow(m, shift - 1);
        if ((m >> (shift - 1)) & 1) lost |= 2;
        m >>= shift;
        e = kLowestExponent;
    }
    if ((lost & 2) && ((lost | m) & 1)) {
        ++m;
        if (!subnormal && m == 2 * kHiddenBit) {
            m >>= 1;
            if (++e > kHighestExponent) return kOutOfRange;
        }
    }
    if (subnormal || m < kHiddenBit) return number(m);  // no range error below the normal floats
    return number(static_cast<uint32_t>(e + kExponentBias) << 23 | (m & (kHiddenBit - 1)));
}

// `pos` is at the "0" of "0x".
Read readHex(const Text& t, size_t pos) {
    size_t s = pos + 2;
    bool sawDigit = false;
    while (t.at(s) == '0') ++s, sawDigit = true;
    size_t first = s, point = std::string_view::npos;
    bool zero = !isHex(t.at(s)), scan = !zero;
    if (zero && t.at(s) == '.') {
        point = ++s;
        if (isHex(t.at(s))) {
            while (t.at(s) == '0') ++s;
            zero = !isHex(t.at(s));
            first = s;
            scan = true;
        }
    }
    sawDigit = sawDigit || scan;
    int64_t e = 0;
    if (scan) {
        while (isHex(t.at(s))) ++s;
        if (t.at(s) == '.' && point == std::string_view::npos) {
            point = ++s;
            while (isHex(t.at(s))) ++s;
        }
        if (point != std::string_view::npos) e = -4 * static_cast<int64_t>(s - point);
    }
    const size_t last = s;
    size_t end = s;
    bool huge = false;
    readBinaryExponent(t, s, e, huge, end);
    if (!sawDigit) end = pos + 1;  // just the "0"
    if (zero) return number(0, end);
    if (huge) return kOutOfRange;  // to zero or to infinity: a range error either way

    HexBits bits;
    for (size_t i = first; i < last; ++i)
        if (t.at(i) != '.') bits.digits += t.at(i);
    const int64_t length = bits.bitLength();
    if (length <= kMantissaBits) {
        const Read r = roundHex(bits.mantissaFrom(0) << (kMantissaBits - length), e - (kMantissaBits - length), 0);
        return {r.what, r.bits, end};
    }
    const int64_t dropped = length - kMantissaBits;
    int lost = 0;
    if (bits.anyBelow(dropped)) {
        lost = 1;
        if (bits.bit(dropped - 1)) lost = 2 + (dropped > 1 && bits.anyBelow(dropped - 1));
    }
    const Read r = roundHex(bits.mantissaFrom(dropped), e + dropped, lost);
    return {r.what, r.bits, end};
}

// ---- Not a number ---------------------------------------------------------------------
// `pos` is at the "(" after "nan". Up to eight hexadecimal digits, with an
// optional "0x", become the low bits as they are, quiet bit or not (0 as 1);
// a blank after digits ends them. Anything else inside, or no digit, gives
// the plain quiet NaN. `end` moves past the ")" where one closes it.
uint32_t nanBits(const Text& t, size_t pos, size_t& end) {
    size_t s = pos;
    while (t.at(s + 1) != '\0' && static_cast<unsigned char>(t.at(s + 1)) <= ' ') ++s;
    if (t.at(s + 1) == '0' && (t.at(s + 2) == 'x' || t.at(s + 2) == 'X') &&
        static_cast<unsigned char>(t.at(s + 3)) > ' ')
        s += 2;
    uint32_t word = 0;
    int digits = 0;    // read into the word, up to eight
    bool any = false;  // any digit seen
    for (char c; (c = t.at(++s)) != '\0';) {
        const int h = hexValue(c);
        if (h >= 0) {
            any = true;
            if (digits < 8) word = word << 4 | static_cast<uint32_t>(h), ++digits;
        } else if (static_cast<unsigned char>(c) <= ' ') {
            if (any) digits = 8;  // no later digit counts
        } else if (c == ')' && any) {
            end = s + 1;
            break;
        } else {
            for (; t.at(s) != '\0'; ++s)
                if (t.at(s) == ')') {
                    end = s + 1;
                    break;
                }
            return kQuietNanBits;
        }
    }
    if (!any) return kQuietNanBits;
    word &= 0x00FFFFFF;
    if (word == 0) word = 1;
    return kInfinityBits | (word & 0x007FFFFF);
}

// Case-insensitive match of `word` at `pos`.
bool matches(const Text& t, size_t pos, const char* word) {
    for (size_t i = 0; word[i]; ++i) {
        char c = t.at(pos + i);
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

// "inf", "infinity" or "nan" with its optional "(...)", at `s`.
Read readWord(const Text& t, size_t s) {
    if (matches(t, s, "inf")) return number(kInfinityBits, s + (matches(t, s + 3, "inity") ? 8 : 3));
    if (!matches(t, s, "nan")) return kNoNumber;
    size_t end = s + 3;
    const uint32_t bits = t.at(end) == '(' ? nanBits(t, end, end) : kQuietNanBits;
    return number(bits, end);
}

// A decimal exponent from `s` ("e" or "E", a sign, digits): its value, with
// more than eight digits or a value past 19999 read as 19999; `end` moves
// past it when it has a digit.
long readDecimalExponent(const Text& t, size_t s, size_t& end) {
    if (t.at(s) != 'e' && t.at(s) != 'E') return 0;
    size_t x = s + 1;
    bool negative = false;
    if (t.at(x) == '-' || t.at(x) == '+') negative = t.at(x++) == '-';
    if (!isDecimal(t.at(x))) return 0;
    while (t.at(x) == '0') ++x;
    long written = 0;
    int count = 0;
    for (; isDecimal(t.at(x)); ++x, ++count)
        if (count < 9) written = 10 * written + (t.at(x) - '0');
    if (count > 8 || written > kLargestWrittenExponent) written = kLargestWrittenExponent;
    end = x;
    return negative ? -written : written;
}

// `s` is past the sign.
Read readDecimal(const Text& t, size_t s) {
    // The mantissa as 0.digits × 10^exponent.
    std::string digits;
    long exponent = 0;
    bool sticky = false, sawDigit = false;
    auto take = [&](char c, bool beforePoint) {
        sawDigit = true;
        if (digits.empty() && c == '0') {
            if (!beforePoint) --exponent;
            return;
        }
        if (beforePoint) ++exponent;
        if (digits.size() < kKeptDigits)
            digits += c;
        else
            sticky = sticky || c != '0';
    };
    for (; isDecimal(t.at(s)); ++s) take(t.at(s), true);
    const bool point = t.at(s) == '.';
    if (point)
        for (++s; isDecimal(t.at(s)); ++s) take(t.at(s), false);
    if (!sawDigit) return point ? kNoNumber : readWord(t, s);

    size_t end = s;
    exponent += readDecimalExponent(t, s, end);
    if (digits.empty()) return number(0, end);
    while (digits.back() == '0') digits.pop_back();
    const Read r = roundDecimal(digits, exponent, sticky);
    return {r.what, r.bits, end};
}

Read readNumber(const Text& t) {
    size_t s = 0;
    while (t.at(s) != '\0' && std::strchr(" \t\n\v\f\r", t.at(s))) ++s;
    bool negative = false;
    if (t.at(s) == '-' || t.at(s) == '+') negative = t.at(s++) == '-';
    const Read r = t.at(s) == '0' && (t.at(s + 1) == 'x' || t.at(s + 1) == 'X') ? readHex(t, s) : readDecimal(t, s);
    return r.what == FloatText::Number && negative ? Read{r.what, r.bits | kSignBit, r.end} : r;
}

}  // namespace

FloatReading readFloatText(std::string_view value) {
    FloatReading reading;
    try {
        const Read r = readNumber({value.substr(0, value.find('\0'))});
        reading.what = r.what;
        if (r.what == FloatText::Number) std::memcpy(&reading.value, &r.bits, sizeof reading.value);
        reading.used = r.what == FloatText::Number ? r.end : 0;
    } catch (...) {  // no memory for a long value's digits: as if it did not convert
        reading = FloatReading();
    }
    return reading;
}
