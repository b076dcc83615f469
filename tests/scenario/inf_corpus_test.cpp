// The simulated machine's INF reader against SetupAPI, over a corpus of real INF
// files: infdump of the host build on a simulated machine and infdump.exe of the
// Windows build under Wine dump every file, and the dumps must agree line for line.
// Where Wine's SetupAPI is known to differ from Windows, the difference is not hidden:
// each differing line must be explained by one of the known differences listed below
// with its reason, and the count of each is reported.
//
// The corpus is found beside the source tree, at ../shared/inf-corpus; without it, or
// without a Windows build to run under Wine, the test is skipped.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/machine.h"
#include "tests/support/scenario_machine.h"

namespace {

namespace fs = std::filesystem;

// Where the corpus goes on both machines.
const char kCorpusFolder[] = "C:\\infcorpus";
// The simulated machine is laid out as Wine lays out its prefix, so that the folders
// of the DIRIDs have the same names on both.
const char16_t kWindowsFolder[] = u"C:\\windows";
const char16_t kSystemFolder[] = u"C:\\windows\\system32";

// --- The dumps ---------------------------------------------------------------------

std::vector<std::string> Lines(const std::string& dump) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < dump.size()) {
        size_t end = dump.find("\r\n", pos);
        if (end == std::string::npos) end = dump.size();
        lines.push_back(dump.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// One file's part of a dump, from its "file" line on.
struct FileDump {
    std::string file;  // the "file" line
    std::vector<std::string> lines;
};

std::vector<FileDump> SplitByFile(const std::vector<std::string>& lines) {
    std::vector<FileDump> files;
    for (const std::string& line : lines) {
        if (line.rfind("file ", 0) == 0) files.push_back({line, {}});
        if (!files.empty()) files.back().lines.push_back(line);
    }
    return files;
}

// The text of a dumped string ("..." with \" \\ and \uXXXX escapes) at the start of `s`.
std::string Unquote(std::string_view s) {
    std::string out;
    for (size_t i = 1; i < s.size() && s[i] != '"'; ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            if (s[i + 1] == 'u') {
                out += '?';
                i += 5;
            } else {
                out += s[++i];
            }
        } else {
            out += s[i];
        }
    }
    return out;
}

// What a line is about: the part before its reading ("[\"S\"] 3 binary").
std::string_view Reading(std::string_view line, std::string_view word) {
    size_t at = line.find(word);
    return at == std::string_view::npos ? std::string_view() : line.substr(at + word.size());
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Backslashes doubled, as the dump writes them.
std::string Escaped(std::string_view path) { return Replaced(std::string(path), "\\", "\\\\"); }

std::string Narrow(std::u16string_view ascii) { return std::string(ascii.begin(), ascii.end()); }

// --- Known differences between Wine's SetupAPI and Windows ---------------------------

// What a rule knows of the line pair besides the two texts.
struct Where {
    std::string folderEscaped;        // the INF's folder, as the dump writes it
    std::vector<std::string> fields;  // the fields 1..n of the line, read by the simulated machine
};

struct KnownDifference {
    const char* name;
    const char* reason;
    std::function<bool(const Where&, const std::string& sim, const std::string& wine)> explains;
};

bool IsBinaryError(std::string_view reading) { return reading == "error 0x0000000D"; }

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(' ', pos);
        if (end == std::string_view::npos) end = text.size();
        words.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return words;
}

const std::vector<KnownDifference>& KnownDifferences() {
    static const std::vector<KnownDifference> known = {
        {"binary-fields",
         "Wine's SetupGetBinaryField reads each field up to its first non-hex character (0x12 as 00, "
         "HKR as 00, an empty field as 00); Windows refuses a field that is not one hex byte",
         [](const Where& where, const std::string& sim, const std::string& wine) {
             std::string_view s = Reading(sim, " binary "), w = Reading(wine, " binary ");
             if (s.empty() || w.empty() || w.rfind("error", 0) == 0) return false;
             if (IsBinaryError(s)) return true;
             // Both read bytes: they differ only where Wine stopped at the x of 0x.
             std::vector<std::string> sb = Words(s), wb = Words(w);
             if (sb.size() != wb.size() || sb.size() > where.fields.size()) return false;
             const size_t first = where.fields.size() - sb.size();
             for (size_t i = 0; i < sb.size(); ++i) {
                 const std::string& f = where.fields[first + i];
                 const bool hexPrefix = f.size() > 1 && f[0] == '0' && (f[1] == 'x' || f[1] == 'X');
                 if (sb[i] != wb[i] && !(hexPrefix && wb[i] == "00")) return false;
             }
             return true;
         }},
        {"keyless-field-0",
         "Wine's SetupGetStringField leaves the last error 0 for a field that does not exist (field 0 of "
         "a line without key); Windows sets ERROR_INVALID_PARAMETER",
         [](const Where&, const std::string& sim, const std::string& wine) {
             const std::string simEnd = ".0 error 0x00000057 int error 0x00000057";
             const std::string wineEnd = ".0 error 0x00000000 int error 0x00000000";
             return sim.size() > simEnd.size() && sim.compare(sim.size() - simEnd.size(), simEnd.size(), simEnd) == 0 &&
                    wine == sim.substr(0, sim.size() - simEnd.size()) + wineEnd;
         }},
        {"dirid-13",
         "Wine does not know DIRID 13 (the package's driver store folder) and answers System32\\unknown; "
         "here it is the folder the INF was opened from",
         [](const Where& where, const std::string& sim, const std::string& wine) {
             return Replaced(sim, where.folderEscaped, Escaped(Narrow(kSystemFolder) + "\\unknown")) == wine;
         }},
        {"folder-case",
         "Wine names the INF, SysWOW64 and Help folders of its prefix in lower case",
         [](const Where&, const std::string& sim, const std::string& wine) {
             std::string mapped = sim;
             const std::string windows = Escaped(Narrow(kWindowsFolder));
             for (const char* name : {"INF", "SysWOW64", "Help"}) {
                 std::string lower = name;
                 for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                 mapped = Replaced(mapped, windows + "\\\\" + name, windows + "\\\\" + lower);
             }
             return mapped == wine;
         }},
        {"source-location",
         "Wine's SetupGetSourceFileLocation answers the disk's path from SourceDisksNames (and fails when "
         "the disk is not listed there) instead of the file's subdirectory from SourceDisksFiles",
         [](const Where&, const std::string& sim, const std::string& wine) {
             return sim.rfind("source ", 0) == 0 && wine.rfind("source ", 0) == 0;
         }},
    };
    return known;
}

// --- Running both dumps ---------------------------------------------------------------

fs::path CorpusPath() { return fs::path(KAVRIN_SOURCE_DIR) / ".." / "shared" / "inf-corpus"; }

// The corpus files, relative to its folder, in a stable order.
std::vector<std::string> CorpusFiles(const fs::path& corpus) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file() || entry.path().filename() == "MANIFEST.tsv") continue;
        files.push_back(fs::relative(entry.path(), corpus).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Copies the corpus below `driveFolder` (the host folder of C:\infcorpus) with its list
// of Windows paths, and answers the list's Windows path.
std::string PlaceCorpus(const fs::path& corpus, const std::vector<std::string>& files, const fs::path& driveFolder) {
    fs::remove_all(driveFolder);
    fs::create_directories(driveFolder);
    fs::copy(corpus, driveFolder, fs::copy_options::recursive);
    std::ofstream list(driveFolder / "list.txt", std::ios::binary);
    for (const std::string& f : files) list << kCorpusFolder << "\\" << Replaced(f, "/", "\\") << "\r\n";
    return std::string(kCorpusFolder) + "\\list.txt";
}

std::string WineDump(scenario::Machine& wine, const fs::path& corpus, const std::vector<std::string>& files) {
    const std::string list = PlaceCorpus(corpus, files, wine.HostPath(kCorpusFolder));
    const char* windowsBuild = std::getenv("KAVRIN_WIN64_DIR");
    fs::copy_file(fs::path(windowsBuild) / "bin" / "infdump.exe", wine.HostPath(kCorpusFolder) + "/infdump.exe");
    scenario::RunResult r = wine.RunProgram(std::string(kCorpusFolder) + "\\infdump.exe", {"@" + list});
    fs::remove_all(wine.HostPath(kCorpusFolder));
    EXPECT_EQ(0, r.exitCode) << r.err;
    return r.out;
}

std::string SimDump(const fs::path& corpus, const std::vector<std::string>& files) {
    const fs::path folder = fs::temp_directory_path() / ("kavrin-infcorpus-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string prefix = (folder / "machine").string();
    platform::sim::MachineSettings settings;
    platform::sim::ChooseFolders(settings);
    settings.windowsDir = kWindowsFolder;
    settings.systemDir = kSystemFolder;
    std::string error;
    EXPECT_TRUE(platform::sim::CreateMachine(prefix, settings, &error)) << error;
    const std::string list = PlaceCorpus(corpus, files, fs::path(prefix) / "drive_c" / "infcorpus");
    scenario::RunResult r = scenario::RunProcess({std::string(KAVRIN_HOST_BIN_DIR) + "/infdump", "@" + list},
                                                 {{"WINSIM_PREFIX", prefix}});
    fs::remove_all(folder);
    EXPECT_EQ(0, r.exitCode) << r.err;
    return r.out;
}

std::string FolderOfFileLine(const std::string& fileLine) {
    const std::string path = fileLine.substr(5);  // "file \"...\""
    return path.substr(1, path.rfind("\\\\") - 1);
}

TEST(InfCorpusTest, SimulatedReaderAgreesWithSetupApi) {
    const fs::path corpus = CorpusPath();
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no INF corpus at " << corpus.string();
    std::unique_ptr<scenario::Machine> wine = scenario::NewWineMachine();
    if (!wine) GTEST_SKIP() << "Wine: " << scenario::WineUnavailableReason();
    if (!fs::exists(fs::path(std::getenv("KAVRIN_WIN64_DIR")) / "bin" / "infdump.exe")) {
        GTEST_SKIP() << "Wine: the Windows build has no infdump.exe";
    }

    const std::vector<std::string> files = CorpusFiles(corpus);
    ASSERT_FALSE(files.empty());
    const std::vector<FileDump> simFiles = SplitByFile(Lines(SimDump(corpus, files)));
    const std::vector<FileDump> wineFiles = SplitByFile(Lines(WineDump(*wine, corpus, files)));
    ASSERT_EQ(files.size(), simFiles.size());
    ASSERT_EQ(files.size(), wineFiles.size());

    struct Tally {
        size_t lines = 0;
        std::set<std::string> files;
    };
    std::map<std::string, Tally> tallies;
    size_t identical = 0, unexplained = 0;
    for (size_t f = 0; f < files.size(); ++f) {
        const FileDump& sim = simFiles[f];
        const FileDump& win = wineFiles[f];
        ASSERT_EQ(sim.file, win.file);
        if (sim.lines == win.lines) {
            ++identical;
            continue;
        }
        if (sim.lines.size() != win.lines.size()) {
            ADD_FAILURE() << files[f] << ": the dumps differ in shape (" << sim.lines.size() << " lines against "
                          << win.lines.size() << ")";
            ++unexplained;
            continue;
        }
        Where where{FolderOfFileLine(sim.file), {}};
        for (size_t i = 0; i < sim.lines.size(); ++i) {
            const std::string& s = sim.lines[i];
            // Field readings "[S] n.f "text" int ..." collect the line's fields for the rules.
            size_t dot = s.find("] ");
            size_t space = s.find(' ', dot + 2);
            if (dot != std::string::npos && space != std::string::npos) {
                std::string_view at = std::string_view(s).substr(dot + 2, space - dot - 2);
                if (size_t point = at.find('.'); point != std::string_view::npos) {
                    if (at.substr(point + 1) == "0") where.fields.clear();
                    else where.fields.push_back(Unquote(std::string_view(s).substr(space + 1)));
                }
            }
            if (s == win.lines[i]) continue;
            const KnownDifference* known = nullptr;
            for (const KnownDifference& k : KnownDifferences()) {
                if (k.explains(where, s, win.lines[i])) {
                    known = &k;
                    break;
                }
            }
            if (known) {
                Tally& t = tallies[known->name];
                ++t.lines;
                t.files.insert(files[f]);
            } else if (++unexplained <= 30) {
                ADD_FAILURE() << files[f] << ": an unexplained difference\n  sim:  " << s << "\n  wine: " << win.lines[i];
            }
        }
    }
    std::cout << "INF corpus: " << files.size() << " files compared, " << identical << " identical, "
              << files.size() - identical << " with differences\n";
    for (const KnownDifference& k : KnownDifferences()) {
        const Tally& t = tallies[k.name];
        std::cout << "  known difference " << k.name << ": " << t.lines << " lines in " << t.files.size()
                  << " files. " << k.reason << "\n";
    }
    EXPECT_EQ(0u, unexplained) << "differences that no known difference explains";
}

}  // namespace
