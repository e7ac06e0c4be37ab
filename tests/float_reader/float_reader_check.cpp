// Reads a file of number texts, one per line, and writes what the plug-in's
// number conversion makes of each: the float's bits and the bytes the number
// takes, "no number" or "out of range". Built natively, for Windows and for
// WebAssembly, so that the three outputs can be compared byte for byte. The
// Windows build also holds every answer against the C runtime's own std::stof,
// whose reading the conversion stands in for, and exits 1 on a difference.
//
//   float_reader_check TEXTS OUTPUT
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "settings/float_conversion.h"

#include "reading_text.h"

namespace {

#ifdef _WIN32
// What std::stof itself gives, in the same words.
FloatReading runtimeReading(const std::string& text) {
    FloatReading r;
    try {
        size_t used = 0;
        r.value = std::stof(text, &used);
        r.what = FloatText::Number;
        r.used = used;
    } catch (const std::out_of_range&) {
        r.what = FloatText::OutOfRange;
    } catch (const std::invalid_argument&) {
        r.what = FloatText::NoNumber;
    }
    return r;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: float_reader_check TEXTS OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::ofstream out(argv[2], std::ios::binary);
    if (!in || !out) {
        std::fprintf(stderr, "float_reader_check: cannot open %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    long texts = 0, differences = 0;
    for (std::string text; std::getline(in, text); ++texts) {
        const std::string ours = readingText(readFloatText(text));
        out << ours << '\n';
#ifdef _WIN32
        const std::string runtime = readingText(runtimeReading(text));
        if (runtime != ours && ++differences <= 10)
            std::fprintf(stderr, "line %ld: the runtime reads %s, the plug-in %s\n", texts + 1, runtime.c_str(),
                         ours.c_str());
#endif
    }
    out.close();
#ifdef _WIN32
    std::printf("%ld texts, %ld read otherwise by the runtime's std::stof\n", texts, differences);
#else
    std::printf("%ld texts\n", texts);
#endif
    return !out || differences ? 1 : 0;
}
