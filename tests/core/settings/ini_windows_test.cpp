// Settings files as Windows' profile functions read and write them, so that a file moves
// between a Windows machine and this program unchanged. The read and write cases come from a
// public test suite of the Windows profile functions; where it is silent, from the behaviour
// of an independent implementation of them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/settings/ini_file.h"
#include "support/temp_dir.h"

namespace pelko {
namespace {

using namespace std::string_literals;
using test::readText;
using test::TempDir;
using test::writeText;

// The lines, each ended by end.
std::string lines(std::initializer_list<const char*> text, const char* end) {
    std::string out;
    for (const char* line : text) {
        out += line;
        out += end;
    }
    return out;
}

// UTF-16 bytes, with a byte-order mark.
std::string utf16(std::u16string_view text, bool bigEndian = false) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = char(unit >> 8), low = char(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

TEST(IniFileWindows, ReadsAsWindowsProfileFunctions) {
    // Windows reads this file alike with CR LF and with CR alone; LF and a mix read the same.
    const std::initializer_list<const char*> suiteLines = {
        "[section1]", "name1=val1", "name2=\"val2\"", "name3", "name4=a", "[section2]"};
    std::vector<std::string> suiteFiles = {lines(suiteLines, "\r\n"), lines(suiteLines, "\r"),
                                           lines(suiteLines, "\n"),
                                           "[section1]\rname1=val1\nname2=\"val2\"\r\nname3\r"
                                           "name4=a\n\r[section2]"};
    struct Case {
        const char* section;
        const char* key;
        const char* def;
        const char* result;
    };
    const Case suiteCases[] = {
        {"", "name1", "default", "default"},  // no section has an empty name
        {"notasection", "name1", "default", "default"},
        {"", "name1", "", ""},
        {"", "name1", "default  ", "default"},  // trailing blanks of the default go
        {"", "name1", "one two  ", "one two"},
        {"", "name1", "one two", "one two"},
        {"section1", "", "default", "default"},
        {"section1", "", "default  ", "default"},
        {"section1", "notakey", "default", "default"},
        {"section1", "name4", "default", "a"},     // a one-character value
        {"section1", "name2", "default", "val2"},  // quotes stripped
        {"section1", "NaMe1", "default", "val1"},  // names without case
        {"section1", "name1", "default", "val1"},
        {"section2", "DoesntExist", "", ""},            // a section without keys
        {"section1", "name3", "default", "default"},    // a key without "=" has no value
        {" section1 ", "\tname1 ", "default", "val1"},  // the caller's names are trimmed
    };
    for (const std::string& file : suiteFiles) {
        TempDir dir;
        const std::string path = dir.file("t.ini");
        writeText(path, file);
        const IniFile f(path);
        for (const Case& c : suiteCases) {
            EXPECT_EQ(f.readString(c.section, c.key, c.def), c.result)
                << testing::PrintToString(file) << " [" << c.section << "] " << c.key;
        }
    }

    struct FileCase {
        std::string file;
        const char* section;
        const char* key;
        const char* result;  // with the default "default"
    };
    const FileCase fileCases[] = {
        // A line without "=" is no key; an empty value is a value.
        {"[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n", "s", "name2", ""},
        {"[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n", "s", "name3", "default"},
        {"[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n", "s", "name4", "val4"},
        // An empty section name and an empty key name; keys before any section count for
        // none.
        {"\r\nkey=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\n=val_no_key\r\n[t]\r\n", "",
         "key", "val_e_section"},
        {"\r\nkey=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\n=val_no_key\r\n[t]\r\n", "s",
         "", "val_no_key"},
        {"[section2]\r\n[section3]\r\n=val5\r\n", "section3", "", "val5"},
        // Blanks inside the brackets are no part of the name.
        {"[ section1 ]\r\nk=1\r\n[section2]\r\n", "section1", "k", "1"},
        // Tab, VT, FF, CR, space and ^Z are trimmed, so a file ending in ^Z reads cleanly.
        {"[a]\r\nk=\t\v\fv \x1A", "a", "k", "v"},
        {"[a]\r\nk=v\r\n\x1A", "a", "k", "v"},
        {"\x1A[a]\x1A\r\n\x1Ak\x1A=\x1Av\r\n", "a", "k", "v"},
        // A section's name ends at its last "]"; what follows it is ignored.
        {"[a]b]\r\nk=1\r\n", "a]b", "k", "1"},
        {"[a]b]\r\nk=1\r\n", "a", "k", "default"},
        {"[a] ; note\r\nk=1\r\n", "a", "k", "1"},
        // A "[" line without "]" is no section.
        {"[a]\r\n[open\r\nk=1\r\n", "a", "k", "1"},
        // The first line of a key counts, also without "=".
        {"[s]\r\nname3\r\nname3=x\r\n", "s", "name3", "default"},
        {"[s]\r\nk=1\r\nk=2\r\n[s]\r\nj=3\r\n", "s", "k", "1"},
        {"[s]\r\nk=1\r\nk=2\r\n[s]\r\nj=3\r\n", "s", "j", "default"},
        // Names and values end at a NUL, as C strings do.
        {"[a]\r\nk=v\0w\r\nj=1\r\n"s, "a", "k", "v"},
        {"[a]\r\nk=v\0w\r\nj=1\r\n"s, "a", "j", "1"},
    };
    for (const FileCase& c : fileCases) {
        TempDir dir;
        const std::string path = dir.file("t.ini");
        writeText(path, c.file);
        EXPECT_EQ(IniFile(path).readString(c.section, c.key, "default"), c.result)
            << testing::PrintToString(c.file) << " [" << c.section << "] " << c.key;
    }
}

TEST(IniFileWindows, WritesChangeOnlyWhatTheyMust) {
    const std::string suite = "[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n";
    struct Case {
        std::string before;
        const char* section;
        const char* key;
        const char* value;  // none: the key is deleted
        std::string after;
    };
    const Case cases[] = {
        // A new key goes at the end of its section; the file stays usable.
        {suite, "s", "name5", "val5", suite + "name5=val5\r\n"},
        // A line without "=" gets its value in place.
        {suite, "s", "name3", "x", "[s]\r\nname1=val1\r\nname2=\r\nname3=x\r\nname4=val4\r\n"},
        {"[s]\r\n  Name3  \r\n", "s", "name3", "x", "[s]\r\n  Name3=x\r\n"},
        // A rewritten key keeps its stored spelling and what stands before its value.
        {suite, "S", "NAME1", "v", "[s]\r\nname1=v\r\nname2=\r\nname3\r\nname4=val4\r\n"},
        {"[s]\r\n  Key = old  \r\n", "s", "key", "new", "[s]\r\n  Key = new\r\n"},
        {"[s]\r\nk=\r\n", "s", "k", "v", "[s]\r\nk=v\r\n"},
        // A value already stored leaves the line as it is.
        {"[s]\r\nname1 = val1 \r\n", "s", "name1", "val1", "[s]\r\nname1 = val1 \r\n"},
        // Leading blanks of a value are not stored.
        {"[s]\r\n", "s", "k", " \tv", "[s]\r\nk=v\r\n"},
        // Deleting a key removes its line, also the last one of its section; deleting an
        // absent key changes nothing.
        {"[App1]\r\nkey1=string1\r\nkey2=string2\r\n[App3]\r\nkey5=string5\r\n", "App1", "key2",
         nullptr, "[App1]\r\nkey1=string1\r\n[App3]\r\nkey5=string5\r\n"},
        {"[App1]\r\nkey1=string1\r\n[App3]\r\nkey5=string5\r\n", "App1", "key2", nullptr,
         "[App1]\r\nkey1=string1\r\n[App3]\r\nkey5=string5\r\n"},
        {"[App3]\r\nkey5=string5\r\n", "App3", "key5", nullptr, "[App3]\r\n"},
        // New lines take the file's own line ending: CR alone, or the first one of a mix;
        // every line keeps its own.
        {"[a]\rk=1\r", "a", "j", "2", "[a]\rk=1\rj=2\r"},
        {"[a]\rk=1\r", "b", "x", "1", "[a]\rk=1\r\r[b]\rx=1\r"},
        {"[a]\r\nk=1\nm=2\r", "a", "m", "3", "[a]\r\nk=1\nm=3\r"},
        {"[a]\r\nk=1\nm=2\r", "a", "n", "4", "[a]\r\nk=1\nm=2\rn=4\r\n"},
        // A last line without line ending gets one when a line follows it.
        {"[a]\nk=1", "a", "j", "2", "[a]\nk=1\nj=2\n"},
        {"[a]\nk=1", "a", "k", "2", "[a]\nk=2"},
        // Data before the first section, NULs and all, is kept.
        {"Data \0 before \0 first \0 section"s, "section1", "key1", "string1",
         "Data \0 before \0 first \0 section\n\n[section1]\nkey1=string1\n"s},
        // An empty value is a value.
        {"", "App", "key", "", "[App]\nkey=\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.before) + " [" + c.section + "] " + c.key);
        TempDir dir;
        const std::string path = dir.file("t.ini");
        if (!c.before.empty()) {
            writeText(path, c.before);
        }
        IniFile f(path);
        if (c.value) {
            f.writeString(c.section, c.key, c.value);
        } else {
            f.deleteKey(c.section, c.key);
        }
        EXPECT_EQ(readText(path), c.after);
    }
}

TEST(IniFileWindows, WriteOfAStoredValueLeavesTheFileUntouched) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    writeText(path, "[a]\nk=1\n");
    ::chmod(path.c_str(), 0444);  // a rewrite would be refused
    IniFile f(path);
    EXPECT_NO_THROW(f.writeString("A", "K", "1"));
    EXPECT_NO_THROW(f.writeInteger("a", "k", 1));
    EXPECT_THROW(f.writeString("a", "k", "2"), Error);
    EXPECT_EQ(readText(path), "[a]\nk=1\n");
}

TEST(IniFileWindows, Utf16FilesAreReadAndWrittenBackInUtf16) {
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        TempDir dir;
        const std::string path = dir.file("settings.ini");
        // A character outside the Basic Multilingual Plane, and a lone surrogate, which
        // Windows keeps as it is.
        writeText(path, utf16(u"; Jörg's\r\n[Main]\r\nSaveAs=png\r\nname=Jörg € \U0001F600\r\n"
                              u"odd=\xD800!\r\n",
                              bigEndian));
        IniFile f(path);
        EXPECT_EQ(f.readString("main", "saveas", "bmp"), "png");
        EXPECT_EQ(f.readString("main", "name", ""), "Jörg € \U0001F600");
        EXPECT_EQ(f.readText("main", "name", ""), "Jörg € \U0001F600");
        f.writeString("main", "saveas", "gif");
        f.writeString("main", "folder", "/home/jörg/");
        f.writeString("other", "k", "1");
        f.writeString("other", "ansi", "J\xF6rg");  // not UTF-8: Windows-1252
        EXPECT_EQ(readText(path), utf16(u"; Jörg's\r\n[Main]\r\nSaveAs=gif\r\nname=Jörg € "
                                        u"\U0001F600\r\nodd=\xD800!\r\nfolder=/home/jörg/\r\n"
                                        u"\r\n[other]\r\nk=1\r\nansi=Jörg\r\n",
                                        bigEndian));
        EXPECT_EQ(IniFile(path).readString("main", "folder", ""), "/home/jörg/");
    }
}

TEST(IniFileWindows, BrokenFilesKeepWhatCanBeReadAndWritesAddOnlyTheirChange) {
    const std::string longLine(10 << 20, 'x');
    struct Read {
        const char* section;
        const char* key;
        std::string value;  // "default" when it cannot be read
    };
    struct Case {
        const char* what;
        std::string file;
        std::vector<Read> reads;
        std::optional<std::string> after;  // after writing [w] k=1; none: the write is refused
    };
    const Case cases[] = {
        {"UTF-16 with an odd number of bytes",
         utf16(u"[main]\r\na=1\r\n") + "\n",
         {{"main", "a", "1"}},
         utf16(u"[main]\r\na=1\r\n\r\n[w]\r\nk=1\r\n") + "\n"},
        {"a UTF-16 mark before 8-bit text: nothing reads, as on Windows, and nothing is lost",
         "\xFF\xFE[main]\r\na=12\r\n",
         {{"main", "a", "default"}},
         "\xFF\xFE[main]\r\na=12\r\n" + utf16(u"\n\n[w]\nk=1\n").substr(2)},
        {"half a UTF-16 mark: the first line is no section",
         "\xFF[main]\r\na=1\r\n[other]\r\nb=2\r\n",
         {{"main", "a", "default"}, {"other", "b", "2"}},
         "\xFF[main]\r\na=1\r\n[other]\r\nb=2\r\n\r\n[w]\r\nk=1\r\n"},
        {"a NUL byte",
         "[main]\r\na=1\0x\r\nb=2\r\n"s,
         {{"main", "a", "1"}, {"main", "b", "2"}},
         "[main]\r\na=1\0x\r\nb=2\r\n\r\n[w]\r\nk=1\r\n"s},
        {"mixed line endings",
         "[main]\ra=1\nb=2\r\n\r\n[w]\rc=3",
         {{"main", "a", "1"}, {"main", "b", "2"}, {"w", "c", "3"}},
         "[main]\ra=1\nb=2\r\n\r\n[w]\rc=3\rk=1\r"},
        {"8-bit text that is not UTF-8",
         "[main]\r\nname=J\xF6rg\r\n",
         {{"main", "name", "J\xF6rg"}},
         "[main]\r\nname=J\xF6rg\r\n\r\n[w]\r\nk=1\r\n"},
        {"a 10 MB line",
         "[main]\na=1\nlong=" + longLine + "\n[w]\nb=2\n",
         {{"main", "a", "1"}, {"main", "long", std::string(IniFile::kMaxValueLength, 'x')}},
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.file("t.ini");
        writeText(path, c.file);
        IniFile f(path);
        for (const Read& r : c.reads) {
            EXPECT_EQ(f.readString(r.section, r.key, "default"), r.value) << r.key;
        }
        if (c.after) {
            f.writeString("w", "k", "1");
            EXPECT_EQ(readText(path), *c.after);
        } else {
            EXPECT_THROW(f.writeString("w", "k", "1"), Error);
            EXPECT_EQ(readText(path), c.file);
        }
    }
}

TEST(IniFileWindows, TextOfWindowsCodePageReadsAsTypedAndKeepsItsBytes) {
    struct Case {
        const char* what;
        std::string file;
        const char* key;
        const char* reads;                  // UTF-8
        const char* typed;                  // what is written back, UTF-8
        std::optional<std::string> stored;  // the value's bytes after the write; none: kept
    };
    const std::string ansi = "[main]\r\nlogin=j\xF6rg\r\npassword=p\xE4ss\x80\x81\r\nhost=h\r\n";
    const std::string utf8 = "[main]\r\nlogin=j\xC3\xB6rg\r\npassword=\"p\xC3\xA4ss\"\r\n";
    const std::string marked = "\xEF\xBB\xBF[main]\r\npassword=p\xE4ss\r\n";
    const Case cases[] = {
        {"ANSI, unedited", ansi, "password", "päss€\u0081", "päss€\u0081", std::nullopt},
        {"ANSI, edited", ansi, "login", "jörg", "jürgen €", "j\xFCrgen \x80"},
        {"ANSI, a character Windows-1252 lacks", ansi, "host", "h", "łódź", "łódź"},
        {"UTF-8, unedited and quoted", utf8, "password", "päss", "päss", std::nullopt},
        {"UTF-8, edited", utf8, "login", "jörg", "jürgen", "jürgen"},
        {"ASCII, edited", "[main]\nlogin=a\n", "login", "a", "ä", "ä"},
        {"UTF-8 mark, stray byte", marked, "password", "p\uFFFDss", "p\uFFFDss", std::nullopt},
        {"UTF-8 mark, edited", marked, "password", "p\uFFFDss", "päss", "päss"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.file("ftp.ini");
        writeText(path, c.file);
        IniFile f(path);
        EXPECT_EQ(f.readText("main", c.key, "default"), c.reads);
        EXPECT_EQ(f.readText("main", "absent", "default "), "default");
        f.writeText("main", c.key, c.typed);
        if (!c.stored) {
            EXPECT_EQ(readText(path), c.file);
        } else {
            EXPECT_EQ(IniFile(path).readString("main", c.key, ""), *c.stored);
            EXPECT_EQ(IniFile(path).readText("main", c.key, ""), c.typed);
        }
    }
}

TEST(IniFileWindows, EveryWindows1252CharacterReadsAsTextAndWritesBack) {
    struct Case {
        const char* stored;
        const char* text;
    } cases[] = {
        {"\x80", "€"},
        {"\x81", "\u0081"},  // undefined in the code page: the control character of its number
        {"\x8A", "Š"},
        {"\x9F", "Ÿ"},
        {"\xA0", "\u00A0"},
        {"\xE4", "ä"},
        {"\xFF", "ÿ"},
        // Overlong forms, surrogates, code points past U+10FFFF and cut characters are no
        // UTF-8.
        {"\xC0\xAF", "À¯"},
        {"\xED\xA0\x80", "í\u00A0€"},
        {"\xF4\x90\x80\x80", "ô\u0090€€"},
        {"\xE2\x82", "â‚"},
        {"\xC3\xA4", "ä"},  // UTF-8
    };
    TempDir dir;
    const std::string path = dir.file("ftp.ini");
    for (const Case& c : cases) {
        writeText(path, "[main]\nk=" + std::string(c.stored) + "\n");
        EXPECT_EQ(IniFile(path).readText("main", "k", ""), c.text)
            << testing::PrintToString(std::string(c.stored));
    }

    // Every character of the code page goes back to its byte.
    std::string all = "x";
    for (int b = 0x20; b < 0x100; ++b) {
        all += char(b);
    }
    all += "x";
    writeText(path, "[main]\nk=" + all + "\n");
    IniFile f(path);
    f.writeText("main", "k", f.readText("main", "k", "") + "ä");
    EXPECT_EQ(readText(path), "[main]\nk=" + all + "\xE4\n");
}

}  // namespace
}  // namespace pelko
