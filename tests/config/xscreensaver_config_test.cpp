// The settings description that xscreensaver's settings tool reads
// (data/xscreensaver/vexlar3d.xml) against the settings table: every setting
// has a control with the table's range and built-in default, and every
// argument a control can produce is one the command line accepts.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "config/setting_table.h"
#include "host/command_options.h"

namespace {

struct Element {
    std::string tag;
    std::string select;  // for options: the id of the select around them
    std::map<std::string, std::string> attributes;
};

std::vector<Element> ReadControls() {
    std::ifstream file(VEXLAR_SOURCE_DIR "/data/xscreensaver/vexlar3d.xml");
    std::stringstream text;
    text << file.rdbuf();
    const std::string xml = text.str();
    std::vector<Element> elements;
    const std::regex tag(R"(<(/?)(boolean|number|select|option)\b([^>]*)>)");
    const std::regex attribute(R"(([a-z_-]+)="([^"]*)\")");
    std::string select;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), tag); it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[2];
        if ((*it)[1] == "/") {
            if (name == "select") select.clear();
            continue;
        }
        Element element{name, name == "option" ? select : "", {}};
        const std::string attributes = (*it)[3];
        for (auto a = std::sregex_iterator(attributes.begin(), attributes.end(), attribute);
             a != std::sregex_iterator(); ++a) {
            element.attributes[(*a)[1]] = (*a)[2];
        }
        if (name == "select") select = element.attributes["id"];
        elements.push_back(element);
    }
    return elements;
}

// The arguments a control adds to "--root", split at blanks, % filled in.
std::vector<std::string> Words(std::string arg, const std::string& value) {
    const size_t percent = arg.find('%');
    if (percent != std::string::npos) arg.replace(percent, 1, value);
    std::vector<std::string> words;
    std::istringstream in(arg);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

bool Accepted(const std::vector<std::string>& words) {
    std::vector<const char*> argv = {"vexlar3d", "--root"};
    for (const std::string& word : words) argv.push_back(word.c_str());
    StartPlan plan = PlanStart(static_cast<int>(argv.size()), argv.data(), "0x10", nullptr);
    return !plan.exitNow;
}

TEST(XscreensaverConfigTest, EverySettingHasItsControlWithTheBuiltInDefault) {
    const std::vector<Element> controls = ReadControls();
    ASSERT_GT(controls.size(), 10u) << "data/xscreensaver/vexlar3d.xml missing or empty";

    for (const SettingInfo& info : kSettingTable) {
        const std::string option = std::string("--") + info.option;
        const int32_t builtIn = BuiltInSettings.*info.field;
        int found = 0;
        for (const Element& e : controls) {
            auto attr = [&](const char* name) {
                auto it = e.attributes.find(name);
                return it == e.attributes.end() ? std::string() : it->second;
            };
            if (info.kind == SettingKind::Flag && e.tag == "boolean") {
                // Checked by default gives --no-NAME when cleared, and the reverse.
                if (attr("arg-unset") == "--no-" + std::string(info.option)) {
                    EXPECT_EQ(builtIn, 1) << option;
                    ++found;
                } else if (attr("arg-set") == option) {
                    EXPECT_EQ(builtIn, 0) << option;
                    ++found;
                }
            } else if (info.kind == SettingKind::Number && e.tag == "number" && attr("arg") == option + " %") {
                EXPECT_EQ(attr("low"), std::to_string(info.minimum)) << option;
                EXPECT_EQ(attr("high"), std::to_string(info.maximum)) << option;
                EXPECT_EQ(attr("default"), std::to_string(builtIn)) << option;
                ++found;
            } else if (info.kind == SettingKind::Choice && e.tag == "option" && e.select == info.option) {
                // The options in the order of the values; the built-in one adds nothing.
                const int value = ++found;
                if (value == builtIn) {
                    EXPECT_EQ(attr("arg-set"), "") << option;
                } else {
                    EXPECT_EQ(attr("arg-set"), option + " " + info.choices[value - 1]) << option;
                }
            } else if ((info.kind == SettingKind::Mode || info.field == &Settings::UseDesktopSettings) &&
                       e.tag == "option" && e.select == "mode") {
                // The desktop's own size is the default; the others name a mode.
                const std::string set = attr("arg-set");
                EXPECT_TRUE(set.empty() ? BuiltInSettings.UseDesktopSettings == 1 : set.rfind("--mode ", 0) == 0)
                    << set;
                ++found;
            }
        }
        if (info.kind == SettingKind::Choice) {
            EXPECT_EQ(found, 3) << option;
        } else {
            EXPECT_GE(found, 1) << option << " has no control";
        }
    }
}

TEST(XscreensaverConfigTest, EveryArgumentItCanProduceIsAccepted) {
    int checked = 0;
    for (const Element& e : ReadControls()) {
        for (const char* name : {"arg", "arg-set", "arg-unset"}) {
            auto it = e.attributes.find(name);
            if (it == e.attributes.end()) continue;
            if (e.tag == "number") {
                for (const char* end : {"low", "high", "default"}) {
                    EXPECT_TRUE(Accepted(Words(it->second, e.attributes.at(end)))) << it->second << " " << end;
                }
            } else {
                EXPECT_TRUE(Accepted(Words(it->second, ""))) << it->second;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 15);
}

}  // namespace
