// Writes what XScreenSaver reads about the hack, from the settings table itself:
//
//   hack_config xml                  the config XML (sliders, labels, description), in English
//                                    alone and ASCII, which every desktop's fonts can show
//   hack_config man TEMPLATE         the man page: TEMPLATE with @SYNOPSIS@ and @OPTIONS@ filled,
//                                    the settings window's Japanese names as groff escapes
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/saver_options.h"
#include "settings/settings_table.h"

namespace {

std::string Xml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Roff: a hyphen in an option is a minus sign, and a line must not start with a dot.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '-' ? std::string("\\-") : std::string(1, c);
    }
    return out;
}

// UTF-8 as groff's \[uXXXX] escapes: the page stays ASCII, so groff reads it alike with and
// without a preprocessor for its encoding, and any locale's man shows what it can.
std::string RoffUnicode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += text[i++];
            continue;
        }
        const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        uint32_t code = lead & (0x7Fu >> length);
        for (size_t k = 1; k < length && i + k < text.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        }
        char escape[16];
        std::snprintf(escape, sizeof escape, "\\[u%04X]", static_cast<unsigned>(code));
        out += escape;
        i += length;
    }
    return out;
}

void WriteXml() {
    std::cout << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n"
                 "<screensaver name=\"tavorinex\" _label=\"Tavorinex\">\n\n"
                 "  <command arg=\"--root\"/>\n\n";
    for (const SettingFacts* s : SlidersInWindowOrder()) {
        std::cout << "  <number id=\"" << s->Names.OptionName << "\" type=\"slider\" arg=\"--"
                  << s->Names.OptionName << " %\"\n"
                  << "          _label=\"" << Xml(s->Names.Label) << "\"\n"
                  << "          _low-label=\"" << Xml(s->Names.LowLabel) << "\" _high-label=\""
                  << Xml(s->Names.HighLabel) << "\"\n"
                  << "          low=\"" << s->Range.Minimum << "\" high=\"" << s->Range.Maximum
                  << "\" default=\"" << s->Range.Default << "\"/>\n\n";
    }
    std::cout << "  <_description>\n"
                 "A square box travels diagonally across a black screen and bounces off the "
                 "edges with a new random speed, leaving a solid trail of outlined boxes whose "
                 "colour fades from one random colour to the next. Every so often the screen "
                 "is wiped: coloured stripes on every second row, then two black fans sweeping "
                 "in from opposite corners.\n\n"
                 "The drawing of the Windows screen saver tavorinex.scr, pixel for pixel; its "
                 "sliders are those of its settings window.\n"
                 "  </_description>\n"
                 "</screensaver>\n";
}

bool WriteMan(const char* templatePath) {
    std::ifstream in(templatePath);
    if (!in) {
        std::fprintf(stderr, "hack_config: cannot read %s\n", templatePath);
        return false;
    }
    std::string synopsis;
    std::string options;
    for (const SettingFacts* s : SlidersInWindowOrder()) {
        synopsis += "[" + Roff(std::string("--") + s->Names.OptionName) + " \\fIn\\fP]\n";
        options += ".TP 8\n.B " + Roff(std::string("--") + s->Names.OptionName) + " \\fIn\\fP\n" +
                   s->Names.Label + " (" + RoffUnicode(s->Dialog.Name.Text) +
                   " in the settings window): " + SliderRangeText(*s) + ".\n";
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line == "@SYNOPSIS@") {
            std::cout << synopsis;
        } else if (line == "@OPTIONS@") {
            std::cout << options;
        } else {
            std::cout << line << "\n";
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "xml" && argc == 2) {
        WriteXml();
        return 0;
    }
    if (what == "man" && argc == 3) {
        return WriteMan(argv[2]) ? 0 : 1;
    }
    std::fputs("usage: hack_config xml | hack_config man TEMPLATE\n", stderr);
    return 2;
}
