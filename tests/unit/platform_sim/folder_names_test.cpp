// The search for a name in any case among a host folder's entries must answer as a
// fresh read of the folder would, whoever changed the folder since the last search.

#include "platform/sim/folder_names.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/sim/host_text.h"

namespace {

using platform::sim::EqualsFolded;
using platform::sim::FindNameInAnyCase;
using platform::sim::FromHost;

class FolderNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/folder-names-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    void Make(const std::string& name) const { std::ofstream(Path(name)) << "x"; }

    // The answer of the folder itself: its first entry in its own order.
    std::string FirstInFolder(std::u16string_view name) const {
        std::string found;
        DIR* dir = ::opendir(folder_.c_str());
        while (dirent* e = ::readdir(dir)) {
            std::string entry = e->d_name;
            if (entry != "." && entry != ".." && EqualsFolded(FromHost(entry), name)) {
                found = entry;
                break;
            }
        }
        ::closedir(dir);
        return found;
    }

    std::string Find(std::u16string_view name) const {
        std::string host;
        return FindNameInAnyCase(folder_, name, &host) ? host : std::string("(none)");
    }

    std::string folder_;
};

TEST_F(FolderNamesTest, FindsANameInAnotherCase) {
    Make("Setup.Log");
    EXPECT_EQ(Find(u"SETUP.LOG"), "Setup.Log");
    EXPECT_EQ(Find(u"setup.log"), "Setup.Log");
    EXPECT_EQ(Find(u"setup.lo"), "(none)");
    EXPECT_EQ(Find(u"\u00C4rger"), "(none)");
    Make("\xC3\xA4rger");  // "ärger": a Latin-1 letter folds to its capital
    EXPECT_EQ(Find(u"\u00C4RGER"), "\xC3\xA4rger");
}

TEST_F(FolderNamesTest, SeesEntriesMadeRemovedAndRenamedSinceTheLastSearch) {
    Make("a.txt");
    EXPECT_EQ(Find(u"A.TXT"), "a.txt");
    EXPECT_EQ(Find(u"B.TXT"), "(none)");
    Make("b.txt");
    EXPECT_EQ(Find(u"B.TXT"), "b.txt");
    ASSERT_EQ(::unlink(Path("a.txt").c_str()), 0);
    EXPECT_EQ(Find(u"A.TXT"), "(none)");
    ASSERT_EQ(::rename(Path("b.txt").c_str(), Path("C.txt").c_str()), 0);
    EXPECT_EQ(Find(u"B.TXT"), "(none)");
    EXPECT_EQ(Find(u"c.TXT"), "C.txt");
    // A move in from elsewhere, and one that replaces an entry.
    Make("d.txt");
    ASSERT_EQ(::mkdir(Path("sub").c_str(), 0755), 0);
    ASSERT_EQ(::rename(Path("d.txt").c_str(), Path("sub/d.txt").c_str()), 0);
    EXPECT_EQ(Find(u"D.TXT"), "(none)");
    ASSERT_EQ(::rename(Path("sub/d.txt").c_str(), Path("C.txt").c_str()), 0);
    EXPECT_EQ(Find(u"C.TXT"), "C.txt");
    EXPECT_EQ(Find(u"SUB"), "sub");
    ASSERT_EQ(::rmdir(Path("sub").c_str()), 0);
    EXPECT_EQ(Find(u"SUB"), "(none)");
}

TEST_F(FolderNamesTest, SeesTheChangesOfAnotherProcess) {
    Make("one");
    EXPECT_EQ(Find(u"ONE"), "one");
    std::string script = "cd '" + folder_ + "' && mv one Two && touch three";
    ASSERT_EQ(std::system(script.c_str()), 0);
    EXPECT_EQ(Find(u"ONE"), "(none)");
    EXPECT_EQ(Find(u"TWO"), "Two");
    EXPECT_EQ(Find(u"THREE"), "three");
}

TEST_F(FolderNamesTest, NamesThatDifferInCaseAloneGiveTheFolderFirst) {
    Make("name");
    EXPECT_EQ(Find(u"NAME"), "name");
    Make("NAME");
    Make("Name");
    EXPECT_EQ(Find(u"nAmE"), FirstInFolder(u"nAmE"));
    ASSERT_EQ(::unlink(Path("NAME").c_str()), 0);
    ASSERT_EQ(::unlink(Path("Name").c_str()), 0);
    EXPECT_EQ(Find(u"nAmE"), "name");
}

TEST_F(FolderNamesTest, AFolderReplacedAtItsPathIsReadAgain) {
    std::string inner = Path("inner");
    ASSERT_EQ(::mkdir(inner.c_str(), 0755), 0);
    std::ofstream(inner + "/Old") << "x";
    std::string host;
    ASSERT_TRUE(FindNameInAnyCase(inner, u"OLD", &host));
    EXPECT_EQ(host, "Old");
    ASSERT_EQ(::rename(inner.c_str(), Path("moved").c_str()), 0);
    ASSERT_EQ(::mkdir(inner.c_str(), 0755), 0);
    std::ofstream(inner + "/New") << "x";
    EXPECT_FALSE(FindNameInAnyCase(inner, u"OLD", &host));
    ASSERT_TRUE(FindNameInAnyCase(inner, u"NEW", &host));
    EXPECT_EQ(host, "New");
    // The moved folder is still searched right under its new path.
    ASSERT_TRUE(FindNameInAnyCase(Path("moved"), u"old", &host));
    EXPECT_EQ(host, "Old");
}

TEST_F(FolderNamesTest, ManyFoldersAreEachAnsweredRight) {
    // More folders than are kept watched at once: the oldest give way.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 150; ++i) {
            std::string sub = Path("f" + std::to_string(i));
            if (round == 0) {
                ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
                std::ofstream(sub + "/Entry" + std::to_string(i)) << "x";
            } else {
                ASSERT_EQ(::rename((sub + "/Entry" + std::to_string(i)).c_str(), (sub + "/Other").c_str()), 0);
            }
            std::string host;
            std::u16string entry = u"ENTRY" + FromHost(std::to_string(i));
            EXPECT_EQ(FindNameInAnyCase(sub, entry, &host), round == 0) << i;
            EXPECT_TRUE(FindNameInAnyCase(sub, round == 0 ? entry : u"OTHER", &host)) << i;
        }
    }
}

TEST_F(FolderNamesTest, AFolderThatIsNotThereHasNoNames) {
    std::string host;
    EXPECT_FALSE(FindNameInAnyCase(Path("missing"), u"X", &host));
    Make("file");
    EXPECT_FALSE(FindNameInAnyCase(Path("file"), u"X", &host));
}

}  // namespace
