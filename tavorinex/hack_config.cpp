// Writes what XScreenSaver reads about the hack, from the settings table itself:
//
//   hack_config xml                  the config XML (sliders, labels, description)
//   hack_config man TEMPLATE         the man page: TEMPLATE with @SYNOPSIS@ and @OPTIONS@ filled
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "settings/settings_table.h"

namespace {

// The sliders in the settings window's order, top to bottom.
std::vector<const SettingFacts*> SlidersInWindowOrder() {
    std::vector<const SettingFacts*> rows;
    for (const SettingFacts& facts : SettingsTable) {
        rows.push_back(&facts);
    }
    std::sort(rows.begin(), rows.end(), [](const SettingFacts* a, const SettingFacts* b) {
        return a->Dialog.Row < b->Dialog.Row;
    });
    return rows;
}

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

// An English label with the settings window's own name after it.
std::string Bilingual(const char* english, const char* japanese) {
    return std::string(english) + " (" + japanese + ")";
}

void WriteXml() {
    std::cout << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n"
                 "<screensaver name=\"tavorinex\" _label=\"Tavorinex\">\n\n"
                 "  <command arg=\"--root\"/>\n\n";
    for (const SettingFacts* s : SlidersInWindowOrder()) {
        std::cout << "  <number id=\"" << s->Names.OptionName << "\" type=\"slider\" arg=\"--"
                  << s->Names.OptionName << " %\"\n"
                  << "          _label=\"" << Xml(Bilingual(s->Names.Label, s->Dialog.Name.Text))
                  << "\"\n"
                  << "          _low-label=\""
                  << Xml(Bilingual(s->Names.LowLabel, s->Dialog.LowEnd.Text)) << "\" _high-label=\""
                  << Xml(Bilingual(s->Names.HighLabel, s->Dialog.HighEnd.Text)) << "\"\n"
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
                   Bilingual(s->Names.Label, s->Dialog.Name.Text) + ": " +
                   std::to_string(s->Range.Minimum) + " (" + s->Names.LowLabel + ") to " +
                   std::to_string(s->Range.Maximum) + " (" + s->Names.HighLabel + "), default " +
                   std::to_string(s->Range.Default) + ".\n";
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
