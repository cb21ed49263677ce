#include "kit/foundation/String.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kit;
using namespace kit::String;

namespace {

TEST(StringTest, SeparatingKeepsEmptyParts)
{
    EXPECT_EQ(componentsSeparatedByString("", "\n"), QStringList { "" });
    EXPECT_EQ(componentsSeparatedByString("a,,b,", ","), (QStringList { "a", "", "b", "" }));
    EXPECT_EQ(componentsJoinedByString({ "a", "", "b" }, ", "), "a, , b");
    const QString lines = QStringLiteral("a\nb\rc") + QChar(0x85) + "d" + QChar(0x2028) + "e" + QChar(0x2029) + "f\r\ng";
    EXPECT_EQ(componentsSeparatedByCharactersInSet(lines, CharacterSet::Newline), (QStringList { "a", "b", "c", "d", "e", "f", "", "g" }));
}

TEST(StringTest, TrimmingAndSearching)
{
    EXPECT_EQ(stringByTrimmingCharactersInSet(QStringLiteral(" \t x y \n"), CharacterSet::Whitespace), "x y \n");
    EXPECT_EQ(stringByTrimmingCharactersInSet(QStringLiteral(" \t x y \n") + QChar(0x2028), CharacterSet::WhitespaceAndNewline), "x y");
    EXPECT_EQ(rangeOfString("Hello hello", "hello"), (Range { 6, 5 }));
    EXPECT_EQ(rangeOfString("Hello hello", "HELLO", CaseInsensitiveSearch), (Range { 0, 5 }));
    EXPECT_EQ(rangeOfString("Hello hello", "hello", CaseInsensitiveSearch | BackwardsSearch), (Range { 6, 5 }));
    EXPECT_EQ(rangeOfString("Hello", "ello", AnchoredSearch).location, NotFound);
    EXPECT_EQ(rangeOfString("Hello", "", 0).location, NotFound);
}

struct PathCase {
    const char* path;
    const char* extension;
    const char* withoutExtension;
    const char* last;
    const char* parent;
};

class PathTest : public ::testing::TestWithParam<PathCase> { };

TEST_P(PathTest, Components)
{
    const PathCase& c = GetParam();
    EXPECT_EQ(pathExtension(c.path), c.extension);
    EXPECT_EQ(stringByDeletingPathExtension(c.path), c.withoutExtension);
    EXPECT_EQ(lastPathComponent(c.path), c.last);
    EXPECT_EQ(stringByDeletingLastPathComponent(c.path), c.parent);
}

INSTANTIATE_TEST_SUITE_P(Paths, PathTest,
    ::testing::Values(PathCase { "/a/b.tar.gz", "gz", "/a/b.tar", "b.tar.gz", "/a" }, PathCase { "/a/b", "", "/a/b", "b", "/a" },
        PathCase { "/a.d/b", "", "/a.d/b", "b", "/a.d" }, PathCase { "x.txt/", "txt", "x", "x.txt", "" },
        PathCase { ".profile", "", ".profile", ".profile", "" }, PathCase { "/", "", "/", "/", "/" },
        PathCase { "/top", "", "/top", "top", "/" }));

TEST(StringTest, TildeAndStandardizing)
{
    const QString home = QDir::homePath();
    EXPECT_EQ(stringByExpandingTildeInPath("~"), home);
    EXPECT_EQ(stringByExpandingTildeInPath("~/x"), home + "/x");
    EXPECT_EQ(stringByExpandingTildeInPath("/~x"), "/~x");
    EXPECT_EQ(stringByExpandingTildeInPath("~nosuchuser-kit/x"), "~nosuchuser-kit/x");
    EXPECT_EQ(stringByStandardizingPath("/a/./b//c/../d/"), "/a/b/d");
    EXPECT_EQ(stringByStandardizingPath("/../a"), "/a");
    EXPECT_EQ(stringByStandardizingPath("a/../../b"), "../b");
    EXPECT_EQ(stringByAppendingPathComponent("/a/", "/b"), "/a/b");
    EXPECT_EQ(stringByAppendingPathComponent("/", "b"), "/b");
    EXPECT_EQ(stringByAppendingPathComponent("", "b"), "b");
    EXPECT_EQ(pathComponents("/a//b/"), (QStringList { "/", "a", "b" }));
}

TEST(StringTest, StrictUtf8Reading)
{
    QTemporaryDir dir;
    auto write = [&](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name);
    };
    EXPECT_EQ(stringWithContentsOfFileUTF8(write("good",
                  "Gr\xc3\xbc\xc3\x9f"
                  "e")),
        QStringLiteral("Grüße"));
    EXPECT_EQ(stringWithContentsOfFileUTF8(write("empty", "")), QString());
    EXPECT_FALSE(stringWithContentsOfFileUTF8(write("latin1",
        "Gr\xfc\xdf"
        "e")));
    EXPECT_FALSE(stringWithContentsOfFileUTF8(write("truncated", "ok \xe2\x82")));
    EXPECT_FALSE(stringWithContentsOfFileUTF8(write("overlong", "\xc0\xaf")));
    EXPECT_FALSE(stringWithContentsOfFileUTF8(write("surrogate", "\xed\xa0\x80")));
    EXPECT_FALSE(stringWithContentsOfFileUTF8(dir.filePath("missing")));
}

} // namespace
