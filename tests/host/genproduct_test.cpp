// The product-data generator: chunking round trip (in order, whatever the
// number of compressing threads), and every refusal naming the description
// file, the field or entry, and the problem.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>
#include <zlib.h>

#include "atomic_file.h"
#include "chunk_stream.h"
#include "codepage.h"
#include "description.h"
#include "blob_object.h"
#include "emit.h"
#include "identity.h"

namespace {

using nlohmann::json;

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/genproduct-test-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& path() const { return path_; }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string file = path_ + "/" + name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

private:
    std::string path_;
};

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

json ValidConfig() {
    return json{{"folderName", "Demo"},        {"productName", "Demo"},   {"iniFileName", "demo.ini"},
                {"addToStartup", 0},           {"startupQuestion", "?"},  {"mainExecutable", "demo.exe"},
                {"startupArguments", ""},      {"warnOlderVersion", 0},   {"installCompanion", 0},
                {"serviceExecutable", ""},     {"requiredMegabytes", 1},  {"serviceName", ""},
                {"startupLinkName", ""}};
}

// A description with demo.exe and rtuninst.exe in `folder`.
json ValidDescription(const TempFolder& folder) {
    folder.Write("licence.txt", "Terms\r\r\n");
    folder.Write("demo.bin", "program");
    folder.Write("un.bin", "uninstaller");
    return json{{"config", ValidConfig()},
                {"licence", "licence.txt"},
                {"files", json::array({
                              json{{"name", "demo.exe"}, {"source", "demo.bin"}, {"time", "2004-09-09T14:15:38Z"}},
                              json{{"name", "rtuninst.exe"}, {"source", "un.bin"}, {"time", "2004-09-09T14:15:38Z"}},
                          })}};
}

std::string Load(const TempFolder& folder, const json& description, ProductDescription* out = nullptr,
                 const LoadOptions& options = {}) {
    std::string path = folder.Write("product.json", description.dump(2));
    ProductDescription product;
    std::string error;
    bool ok = LoadProductDescription(path, options, product, error);
    if (out) *out = product;
    return ok ? std::string() : error;
}

// Inflates one chunk as the installer does: zlib's uncompress into a buffer of
// the installer's work-buffer size. Checks the header and the piece size too.
std::string Inflate(const unsigned char* chunk, size_t size) {
    EXPECT_GE(size, 2u);
    if (size < 2) return std::string();
    EXPECT_EQ(0x78, chunk[0]);
    EXPECT_EQ(0x9C, chunk[1]);
    std::string out(32000, '\0');
    uLongf length = out.size();
    EXPECT_EQ(Z_OK, uncompress(reinterpret_cast<Bytef*>(&out[0]), &length, chunk, size));
    out.resize(length);
    EXPECT_GE(out.size(), 1u);
    EXPECT_LE(out.size(), 30000u);
    return out;
}

// Pieces whose content and compression time vary from one to the next (random,
// repetitive, text-like), so parallel workers finish them out of order.
std::string VariedBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size;) {
        size_t stretch = std::min<size_t>(size - i, 7000 + random() % 50000);
        unsigned kind = random() % 3;
        for (size_t end = i + stretch; i < end; ++i) {
            if (kind == 0) bytes[i] = static_cast<char>(random());
            else if (kind == 1) bytes[i] = static_cast<char>('a' + i % 7);
            else bytes[i] = static_cast<char>(" etaoinshrdlu\n"[random() % 14]);
        }
    }
    return bytes;
}

struct StreamedFiles {
    std::vector<std::string> joined;  // each file's chunks inflated and joined, in the order received
    std::vector<size_t> chunkCounts;
    std::vector<size_t> order;        // the file of every chunk, in the order received
};

bool Stream(const std::vector<std::string>& paths, StreamedFiles& out, ChunkStreamFailure& failure,
            unsigned threads = 0, size_t window = 0) {
    out = StreamedFiles{std::vector<std::string>(paths.size()), std::vector<size_t>(paths.size()), {}};
    return StreamChunks(
        paths,
        [&](size_t file, const unsigned char* chunk, size_t size, size_t rawSize, std::string&) {
            std::string piece = Inflate(chunk, size);
            EXPECT_EQ(rawSize, piece.size());
            out.joined[file] += piece;
            ++out.chunkCounts[file];
            out.order.push_back(file);
            return true;
        },
        failure, threads, window);
}

TEST(ChunkStream, FilesOfEverySizeRoundTripInPiecesOfAtMost30000Bytes) {
    TempFolder folder;
    struct Case {
        size_t size;
        size_t chunks;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {29999, 1}, {30000, 1}, {30001, 2}, {60000, 2}, {5 * 1024 * 1024 + 17, 175}};
    std::vector<std::string> paths, contents;
    for (const Case& c : cases) {
        std::string bytes = RandomBytes(c.size, static_cast<unsigned>(c.size));
        // Mix in a compressible stretch so both kinds of deflate output occur.
        for (size_t i = 0; i < bytes.size() / 2; ++i) bytes[i] = static_cast<char>('a' + i % 7);
        paths.push_back(folder.Write("file" + std::to_string(c.size), bytes));
        contents.push_back(bytes);
    }
    StreamedFiles streamed;
    ChunkStreamFailure failure;
    ASSERT_TRUE(Stream(paths, streamed, failure)) << failure.error;
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(cases[i].chunks, streamed.chunkCounts[i]) << cases[i].size;
        EXPECT_TRUE(streamed.joined[i] == contents[i]) << cases[i].size;
    }
    EXPECT_TRUE(std::is_sorted(streamed.order.begin(), streamed.order.end()));
}

// However many workers and however small the window of pieces in flight, the
// chunks arrive in file and piece order.
TEST(ChunkStream, ChunksArriveInOrderWhateverTheThreadsAndWindow) {
    TempFolder folder;
    std::vector<std::string> paths, contents;
    for (size_t size : {size_t(3 * 1024 * 1024), size_t(0), size_t(45000), size_t(2 * 1024 * 1024 + 1)}) {
        contents.push_back(VariedBytes(size, static_cast<unsigned>(size)));
        paths.push_back(folder.Write("file" + std::to_string(paths.size()), contents.back()));
    }
    const struct {
        unsigned threads;
        size_t window;
    } cases[] = {{1, 1}, {2, 2}, {8, 3}, {8, 64}, {0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.threads << " threads, window " << c.window);
        StreamedFiles streamed;
        ChunkStreamFailure failure;
        ASSERT_TRUE(Stream(paths, streamed, failure, c.threads, c.window)) << failure.error;
        for (size_t i = 0; i < paths.size(); ++i) EXPECT_TRUE(streamed.joined[i] == contents[i]) << i;
        EXPECT_TRUE(std::is_sorted(streamed.order.begin(), streamed.order.end()));
    }
}

TEST(ChunkStream, UnreadableSourceOrRefusingSinkStopsTheStream) {
    TempFolder folder;
    std::string good = folder.Write("good.bin", RandomBytes(100000, 1));
    StreamedFiles streamed;
    ChunkStreamFailure failure;
    EXPECT_FALSE(Stream({good, "/nonexistent/file"}, streamed, failure));
    EXPECT_EQ(1u, failure.file);
    EXPECT_NE(std::string::npos, failure.error.find("cannot read source file \"/nonexistent/file\"")) << failure.error;

    size_t taken = 0;
    ChunkStreamFailure refused;
    EXPECT_FALSE(StreamChunks(
        {good, good},
        [&](size_t, const unsigned char*, size_t, size_t, std::string& error) {
            error = "sink is full";
            return ++taken < 3;
        },
        refused));
    EXPECT_EQ(3u, taken);
    EXPECT_EQ(ChunkStreamFailure::kNoFile, refused.file);
    EXPECT_EQ("sink is full", refused.error);
}

TEST(Description, ValidDescriptionLoadsWithTimesAndResolvedSources) {
    TempFolder folder;
    ProductDescription product;
    ASSERT_EQ("", Load(folder, ValidDescription(folder), &product));
    ASSERT_EQ(2u, product.files.size());
    EXPECT_EQ("demo.exe", product.files[0].storedName);
    EXPECT_EQ(folder.path() + "/demo.bin", product.files[0].sourcePath);
    EXPECT_EQ(1094739338, product.files[0].storedTime);
    EXPECT_EQ(1u, product.requiredMegabytes);
}

TEST(Description, DefinesAreSubstitutedInSourcePaths) {
    TempFolder folder;
    json description = ValidDescription(folder);
    description["files"][0]["source"] = "${PROGRAM}";
    std::string path = folder.Write("product.json", description.dump());
    ProductDescription product;
    std::string error;
    ASSERT_TRUE(LoadProductDescription(path, {{"PROGRAM", folder.path() + "/demo.bin"}}, true, product, error))
        << error;
    EXPECT_EQ(folder.path() + "/demo.bin", product.files[0].sourcePath);
    EXPECT_FALSE(LoadProductDescription(path, {}, true, product, error));
    EXPECT_NE(std::string::npos, error.find("${PROGRAM} is not defined")) << error;
}

// Sources that are no plain files: a named pipe (which nobody writes to: a
// reader that waited for a writer would hang the test), a folder holding a
// symbolic link, an empty folder, a file from before 1970.
void PlantOddSources(const TempFolder& folder) {
    ASSERT_EQ(0, mkfifo((folder.path() + "/pipe").c_str(), 0600));
    ASSERT_EQ(0, mkdir((folder.path() + "/linked").c_str(), 0755));
    folder.Write("linked/a.txt", "a");
    ASSERT_EQ(0, symlink((folder.path() + "/licence.txt").c_str(), (folder.path() + "/linked/to-licence.txt").c_str()));
    ASSERT_EQ(0, mkdir((folder.path() + "/empty").c_str(), 0755));
    std::string old = folder.Write("old.bin", "old");
    struct timeval times[2] = {{-86400 * 400, 0}, {-86400 * 400, 0}};
    ASSERT_EQ(0, utimes(old.c_str(), times));
}

// Every description the generator must refuse, names that Windows cannot hold
// or would take for other names among them: each refusal names the
// description file, the field or entry, and the problem or the rule.
TEST(Description, EveryRefusalNamesTheFileTheFieldAndTheProblem) {
    struct Case {
        const char* what;
        void (*change)(json&);
        const char* where;
        const char* why;
        const char* licence = nullptr;  // the licence file's bytes, when they are the problem
        bool buildsUninstaller = false;  // the build adds its own uninstaller as "rtuninst.exe"
    };
    const Case cases[] = {
        {"missing field", [](json& d) { d["config"].erase("serviceName"); }, "config", "missing field \"serviceName\""},
        {"unknown field", [](json& d) { d["config"]["colour"] = "red"; }, "config", "unknown field \"colour\""},
        {"unknown top field", [](json& d) { d["extra"] = 1; }, "description", "unknown field \"extra\""},
        {"wrong type", [](json& d) { d["config"]["productName"] = 5; }, "config", "productName: must be a string"},
        {"flag type", [](json& d) { d["config"]["addToStartup"] = "yes"; }, "config", "addToStartup: must be 0 or 1"},
        {"megabytes", [](json& d) { d["config"]["requiredMegabytes"] = 4096; }, "config", "below 4096"},
        {"negative megabytes", [](json& d) { d["config"]["requiredMegabytes"] = -1; }, "config", "requiredMegabytes"},
        {"empty product", [](json& d) { d["config"]["productName"] = ""; }, "config", "productName: must not be empty"},
        {"long product", [](json& d) { d["config"]["productName"] = std::string(402, 'x'); }, "config",
         "longer than 401"},
        {"empty name", [](json& d) { d["files"][1]["name"] = ""; }, "files[1]", "stored name is empty"},
        {"slash", [](json& d) { d["files"][1]["name"] = "/abs"; }, "files[1]", "begins with a separator"},
        {"backslash", [](json& d) { d["files"][1]["name"] = "\\abs"; }, "files[1]", "begins with a separator"},
        {"drive", [](json& d) { d["files"][1]["name"] = "C:x.dll"; }, "files[1]", "drive letter"},
        {"dotdot", [](json& d) { d["files"][1]["name"] = "a/../../x"; }, "files[1]", "\"..\" component"},
        {"dotdot backslash", [](json& d) { d["files"][1]["name"] = "..\\x"; }, "files[1]", "\"..\" component"},
        {"too long", [](json& d) { d["files"][1]["name"] = std::string(1024, 'n'); }, "files[1]",
         "would not fit the 1024-byte path buffer"},
        {"too long system", [](json& d) { d["files"][1]["name"] = "SYSTEM/" + std::string(800, 'n'); }, "files[1]",
         "would not fit the 1024-byte path buffer"},
        {"missing source", [](json& d) { d["files"][1]["source"] = "absent.bin"; }, "files[1]",
         "cannot read source file"},
        {"bad time", [](json& d) { d["files"][1]["time"] = "2004-09-09 14:15:38"; }, "files[1]", "ISO-8601"},
        {"duplicate", [](json& d) { d["files"][1]["name"] = "demo.exe"; }, "files[1]", "appears twice"},
        {"main executable", [](json& d) { d["config"]["mainExecutable"] = "other.exe"; }, "config",
         "mainExecutable: \"other.exe\" is not among the stored names"},
        {"service executable", [](json& d) { d["config"]["serviceExecutable"] = "svc.exe"; }, "config",
         "serviceExecutable: \"svc.exe\" is not among the stored names"},
        {"uninstaller", [](json& d) { d["files"][1]["name"] = "un.exe"; }, "config",
         "\"rtuninst.exe\" is not among the stored names"},
        {"missing licence", [](json& d) { d["licence"] = "nolicence.txt"; }, "licence", "cannot read"},
        // Texts the declared code page cannot hold, named by field and character.
        {"unrepresentable name", [](json& d) { d["config"]["productName"] = "Caf\u00e9 \u03a9"; }, "config",
         "productName: the character U+03A9 \"\u03a9\" cannot be written in code page 1252"},
        {"unrepresentable in 1250", [](json& d) { d["codePage"] = 1250; d["config"]["startupQuestion"] = "Caf\u00e8?"; },
         "config", "startupQuestion: the character U+00E8 \"\u00e8\" cannot be written in code page 1250"},
        {"unrepresentable stored name", [](json& d) { d["files"][0]["name"] = "\u2713.exe"; }, "files[0] \"\u2713.exe\"",
         "name: the character U+2713 \"\u2713\" cannot be written in code page 1252"},
        {"unrepresentable publisher", [](json& d) { d["publisher"] = "\u0391cme"; }, "publisher",
         "the character U+0391 \"\u0391\" cannot be written in code page 1252"},
        {"unrepresentable licence", [](json&) {}, "licence",
         "the character U+2713 \"\u2713\" on line 2 cannot be written in code page 1252", "Terms\r\r\n\u2713\r\r\n"},
        {"licence not UTF-8", [](json&) {}, "licence", "is not UTF-8: the byte 0xE9 at offset 3", "Caf\xe9\r\r\n"},
        {"separator byte", [](json& d) { d["codePage"] = 932; d["config"]["folderName"] = "\u8868"; }, "config",
         "folderName: the character U+8868 \"\u8868\" is written in code page 932 with a backslash"},
        {"code page", [](json& d) { d["codePage"] = 65001; }, "codePage",
         "65001 is not one of the accepted ANSI code pages (874, 932, 936, 949, 950 and 1250 to 1258)"},
        // Identity fields.
        {"three numbers", [](json& d) { d["version"] = "1.2.3"; }, "version",
         "\"1.2.3\" is not four numbers from 0 to 65535 separated by dots"},
        {"number too big", [](json& d) { d["version"] = "1.2.3.65536"; }, "version", "is not four numbers"},
        {"not numbers", [](json& d) { d["version"] = "1.2.3.x"; }, "version", "is not four numbers"},
        {"version number", [](json& d) { d["version"] = 1; }, "version", "1 is not four numbers"},
        {"empty publisher", [](json& d) { d["publisher"] = ""; }, "publisher", "must not be empty"},
        {"unattended as text", [](json& d) { d["unattended"] = "yes"; }, "unattended", "must be true or false"},
        {"unattended as number", [](json& d) { d["unattended"] = 1; }, "unattended", "must be true or false"},
        {"missing icon", [](json& d) { d["icon"] = "absent.ico"; }, "icon: cannot read \"", "absent.ico\""},
        {"not an icon", [](json& d) { d["icon"] = "licence.txt"; }, "icon", "licence.txt\" is not an icon file (.ico)"},
        // Descriptions that would build an installer that cannot work.
        {"source is a pipe", [](json& d) { d["files"][1]["source"] = "pipe"; }, "files[1] \"rtuninst.exe\"",
         "pipe\" is a named pipe (FIFO), not a regular file"},
        {"licence is a pipe", [](json& d) { d["licence"] = "pipe"; }, "licence",
         "pipe\" is a named pipe (FIFO), not a regular file"},
        {"link below a folder", [](json& d) { d["files"][1] = json{{"name", "docs"}, {"source", "linked"}}; },
         "files[1] \"docs\"", "to-licence.txt\" is a symbolic link; links below a folder are not followed"},
        {"empty folder", [](json& d) { d["files"][1] = json{{"name", "docs"}, {"source", "empty"}}; }, "files[1]",
         "empty\" holds no files"},
        {"question not given", [](json& d) { d["config"]["addToStartup"] = 1; d["config"]["startupQuestion"] = " "; },
         "config", "startupQuestion: is empty, but with addToStartup 1 and no serviceExecutable the installer asks it"},
        {"companion missing", [](json& d) { d["config"]["installCompanion"] = 1; }, "config",
         "installCompanion: 1 runs \"nsvcrun.exe\" from the data folder after installation, but it is not among"},
        {"main executable elsewhere", [](json& d) { d["config"]["mainExecutable"] = "bin/demo.exe"; }, "config",
         "mainExecutable: \"bin/demo.exe\" is not among the stored names"},
        {"time after 2038", [](json& d) { d["files"][1]["time"] = "2040-02-29T00:00:00Z"; }, "files[1]",
         "time 2040-02-29T00:00:00Z is outside the times an installer can store (1970-01-02T00:00:00Z to "
         "2038-01-18T00:00:00Z)"},
        {"file time before 1970", [](json& d) { d["files"][1].erase("time"); d["files"][1]["source"] = "old.bin"; },
         "files[1]", "the modification time of \""},
        {"schema not text", [](json& d) { d["$schema"] = 1; }, "$schema", "must be a string"},
        // Names Windows cannot hold, or would take for other names: each
        // refusal says which field and which rule.
        {"device", [](json& d) { d["files"][0]["name"] = "CON"; }, "files[0] \"CON\": name", "Windows device"},
        {"device with extension", [](json& d) { d["files"][0]["name"] = "aux.txt"; }, "files[0]", "Windows device"},
        {"numbered device", [](json& d) { d["files"][0]["name"] = "sub/com1.log"; }, "files[0]", "Windows device"},
        {"console device", [](json& d) { d["files"][0]["name"] = "CONOUT$.txt"; }, "files[0]", "Windows device"},
        {"stream", [](json& d) { d["files"][0]["name"] = "readme.txt:hidden"; }, "files[0]", "contains \":\""},
        {"reserved character", [](json& d) { d["files"][0]["name"] = "a|b.txt"; }, "files[0]", "contains \"|\""},
        {"wildcard", [](json& d) { d["files"][0]["name"] = "a*.txt"; }, "files[0]", "contains \"*\""},
        {"control character", [](json& d) { d["files"][0]["name"] = "a\tb"; }, "files[0]", "control character 0x09"},
        {"empty component", [](json& d) { d["files"][0]["name"] = "sub/"; }, "files[0]", "empty name or component"},
        {"dot component", [](json& d) { d["files"][0]["name"] = "a/./b"; }, "files[0]", "the component \".\""},
        {"trailing dot", [](json& d) { d["files"][0]["name"] = "readme."; }, "files[0]", "ends in a dot"},
        {"trailing blank", [](json& d) { d["files"][0]["name"] = "sub /x"; }, "files[0]", "ends in a blank"},
        {"too long for the data folder", [](json& d) { d["files"][0]["name"] = std::string(141, 'n'); }, "files[0]",
         "at most 140"},
        {"case", [](json& d) { d["files"].push_back(d["files"][0]); d["files"][2]["name"] = "DEMO.exe"; },
         "files[2]", "\"DEMO.exe\" and \"demo.exe\" name the same file"},
        {"folder case", [](json& d) {
             d["files"][0]["name"] = "Sub/a.txt";
             d["files"].push_back(d["files"][0]);
             d["files"][2]["name"] = "sub\\b.txt";
         }, "files[2]", "\"sub\" and \"Sub\" name the same folder"},
        {"file and folder", [](json& d) {
             d["files"].push_back(d["files"][0]);
             d["files"][2]["name"] = "demo.exe/x";
         }, "files[2]", "as a file and as a folder"},
        // Config names.
        {"folder separator", [](json& d) { d["config"]["folderName"] = "a\\b"; }, "config",
         "folderName: contains a separator"},
        {"product separator", [](json& d) { d["config"]["productName"] = "a/b"; }, "config",
         "productName: contains a separator"},
        {"product too long", [](json& d) { d["config"]["productName"] = std::string(256, 'p'); }, "config",
         "productName: has a component longer than 255"},
        {"ini device", [](json& d) { d["config"]["iniFileName"] = "Nul.ini"; }, "config", "iniFileName: \"Nul.ini\" is"},
        {"link stream", [](json& d) { d["config"]["startupLinkName"] = "x:y"; }, "config", "startupLinkName: contains"},
        {"main dots", [](json& d) { d["config"]["mainExecutable"] = "../demo.exe"; }, "config", "mainExecutable: has"},
        {"service dot", [](json& d) { d["config"]["serviceExecutable"] = "svc.exe."; }, "config",
         "serviceExecutable: \"svc.exe.\" ends in a dot"},
        // Signs that the double-byte code pages write as the separator byte.
        {"yen", [](json& d) { d["codePage"] = 932; d["config"]["folderName"] = "Varnlet\u00a5"; }, "config",
         "folderName: the character U+00A5 \"\u00a5\" is written as 0x5C"},
        {"won", [](json& d) { d["codePage"] = 949; d["files"][0]["name"] = "\u20a9.exe"; }, "files[0]",
         "name: the character U+20A9 \"\u20a9\""},
        // The build's own uninstaller, added under its name, takes the place of
        // a stored name in another letter case.
        {"uninstaller in another case", [](json& d) { d["files"][1]["name"] = "RTUNINST.EXE"; },
         "files[1] \"RTUNINST.EXE\": name: \"rtuninst.exe\" and \"RTUNINST.EXE\"", "RTUNINST.EXE", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        json description = ValidDescription(folder);
        PlantOddSources(folder);
        c.change(description);
        if (c.licence) folder.Write("licence.txt", c.licence);
        LoadOptions options;
        if (c.buildsUninstaller) options.uninstallerSource = folder.path() + "/un.bin";
        std::string error = Load(folder, description, nullptr, options);
        EXPECT_EQ(0u, error.find(folder.path() + "/product.json: ")) << error;
        EXPECT_NE(std::string::npos, error.find(std::string(": ") + c.where)) << error;
        EXPECT_NE(std::string::npos, error.find(c.why)) << error;
    }
}

// A folder entry brings every file below it in name order under its name,
// each with its own modification time unless the entry gives one; names are
// found as Windows finds them; the licence gets CR CR LF line ends; the title
// font's character set follows the code page; the copyright, which only the
// Unicode version resource holds, is not converted.
TEST(Description, FolderEntriesTimesAndWhatTheInstallerIsGiven) {
    TempFolder folder;
    json description = ValidDescription(folder);
    ASSERT_EQ(0, mkdir((folder.path() + "/manual").c_str(), 0755));
    ASSERT_EQ(0, mkdir((folder.path() + "/manual/img").c_str(), 0755));
    const struct {
        const char* name;
        time_t time;
    } kFiles[] = {{"manual/b.htm", 1100000000}, {"manual/img/x.png", 1200000000}, {"manual/a.htm", 1300000001}};
    for (const auto& file : kFiles) {
        std::string path = folder.Write(file.name, file.name);
        struct timeval times[2] = {{file.time, 0}, {file.time, 999999}};
        ASSERT_EQ(0, utimes(path.c_str(), times));
    }
    description["files"].push_back(json{{"name", "docs/"}, {"source", "manual"}});
    description["files"].push_back(json{{"name", "Fixed"}, {"source", "manual/img"}, {"time", "2004-09-09T14:15:38Z"}});
    description["files"][0].erase("time");
    description["codePage"] = 932;
    description["copyright"] = "\u00a9 2026";
    description["config"]["mainExecutable"] = "DOCS\\A.HTM";
    description["config"]["installCompanion"] = 1;
    description["files"].push_back(json{{"name", "NSVCRUN.EXE"}, {"source", "demo.bin"}});
    folder.Write("licence.txt", "one\ntwo\r\nthree\r\r\nfour");
    ProductDescription product;
    ASSERT_EQ("", Load(folder, description, &product));

    std::vector<std::string> names;
    for (const PayloadEntry& file : product.files) names.push_back(file.storedName);
    EXPECT_EQ((std::vector<std::string>{"demo.exe", "rtuninst.exe", "docs/a.htm", "docs/b.htm", "docs/img/x.png",
                                        "Fixed/x.png", "NSVCRUN.EXE"}),
              names);
    struct stat demo;
    ASSERT_EQ(0, stat((folder.path() + "/demo.bin").c_str(), &demo));
    EXPECT_EQ(demo.st_mtime, product.files[0].storedTime) << "no time: the source's own, in whole seconds";
    EXPECT_EQ(1300000001, product.files[2].storedTime);
    EXPECT_EQ(1100000000, product.files[3].storedTime);
    EXPECT_EQ(1200000000, product.files[4].storedTime) << "the fraction of a second is dropped";
    EXPECT_EQ(1094739338, product.files[5].storedTime) << "a time given holds for the whole folder";
    EXPECT_EQ(folder.path() + "/manual/img/x.png", product.files[4].sourcePath);
    EXPECT_EQ(2u, product.sourceFolders.size()) << "for the depfile";
    EXPECT_EQ("one\r\r\ntwo\r\r\nthree\r\r\nfour", product.licenceText);
    EXPECT_EQ(128, product.titleCharSet) << "Shift JIS for code page 932";
    EXPECT_EQ("\u00a9 2026", product.identity.copyright);

    // Each code page's character set, Varnlet's 1252 staying ANSI (0).
    const int kCharSets[][2] = {{1252, 0},   {1250, 238}, {1251, 204}, {1253, 161}, {1254, 162},
                                {1255, 177}, {1256, 178}, {1257, 186}, {1258, 163}, {874, 222},
                                {932, 128},  {936, 134},  {949, 129},  {950, 136}};
    for (const auto& pair : kCharSets) EXPECT_EQ(pair[1], FontCharSetOf(pair[0])) << pair[0];
}

TEST(Description, IsoTimesAreCheckedStrictly) {
    int32_t seconds = 0;
    EXPECT_TRUE(ParseIsoUtc("1970-01-01T00:00:00Z", seconds));
    EXPECT_EQ(0, seconds);
    EXPECT_TRUE(ParseIsoUtc("2038-01-19T03:14:07Z", seconds));
    EXPECT_EQ(INT32_MAX, seconds);
    EXPECT_FALSE(ParseIsoUtc("2038-01-19T03:14:08Z", seconds));
    EXPECT_FALSE(ParseIsoUtc("2004-04-31T00:00:00Z", seconds));
    EXPECT_FALSE(ParseIsoUtc("2004-09-09T14:15:38", seconds));
    EXPECT_FALSE(ParseIsoUtc("2004-09-09T14:15:38+01:00", seconds));
}

// The command itself: refusals exit non-zero and leave no output behind; a
// table of only empty files is refused; a good run writes all three outputs.
TEST(GenproductCommand, RefusesWithoutWritingAndSucceedsWithAllOutputs) {
    TempFolder folder;
    std::string out = folder.path() + "/out";
    mkdir(out.c_str(), 0755);
    auto run = [&](const json& description) {
        std::string path = folder.Write("product.json", description.dump());
        std::string command = std::string(GENPRODUCT_EXE) + " --description " + path + " --out-dir " + out +
                              " 2>" + folder.path() + "/stderr.txt";
        return std::system(command.c_str());
    };
    auto outputCount = [&]() {
        return std::system(("test -z \"$(ls -A " + out + ")\"").c_str()) == 0 ? 0 : 1;
    };

    json empty = ValidDescription(folder);
    folder.Write("demo.bin", "");
    folder.Write("un.bin", "");
    EXPECT_NE(0, run(empty));
    std::ifstream stderrFile(folder.path() + "/stderr.txt");
    std::string message((std::istreambuf_iterator<char>(stderrFile)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, message.find("at least one chunk")) << message;
    EXPECT_EQ(0, outputCount());

    json bad = ValidDescription(folder);
    bad["config"]["requiredMegabytes"] = 5000;
    EXPECT_NE(0, run(bad));
    EXPECT_EQ(0, outputCount());

    // Data past the limit (lowered here to 1 MiB) is refused while it is
    // compressed, before the rest is.
    json large = ValidDescription(folder);
    folder.Write("demo.bin", RandomBytes(3 * 1024 * 1024, 3));
    std::string path = folder.Write("product.json", large.dump());
    auto refusal = [&](const std::string& arguments) {
        EXPECT_NE(0, std::system((std::string(GENPRODUCT_EXE) + " " + arguments + " --description " + path +
                                  " --out-dir " + out + " 2>" + folder.path() + "/stderr.txt")
                                     .c_str()));
        EXPECT_EQ(0, outputCount());
        std::ifstream stream(folder.path() + "/stderr.txt");
        return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    };
    std::string limit = refusal("--max-data-bytes 1048576");
    EXPECT_NE(std::string::npos, limit.find("product.json: files: the installer's data passes 1 MiB (at \"demo.exe\")"))
        << limit;
    // More pieces than the object file has headers for.
    std::string pieces = refusal("--piece-bytes 4096");
    EXPECT_NE(std::string::npos, pieces.find("does not fit in 257 pieces of 4096 bytes")) << pieces;

    EXPECT_EQ(0, run(ValidDescription(folder)));
    for (const char* name : {"product_data.cpp", "product_blob.S", "product_blob.obj", "product_table.bin"})
        EXPECT_EQ(0, access((out + "/" + name).c_str(), R_OK)) << name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

// Every file's chunks as the generated table lists them: offsets into the
// blob from the assembler's pointers (payloadBlob+OFFSET, in table order),
// counts and sizes from product_table.bin (counts, times, sizes, names).
std::vector<std::vector<std::pair<uint64_t, uint32_t>>> GeneratedChunks(const std::string& outDir, size_t files) {
    std::string assembly = ReadFile(outDir + "/product_blob.S");
    std::string table = ReadFile(outDir + "/product_table.bin");
    std::vector<uint64_t> offsets;
    const std::string pointer = "SYMBOL(payloadBlob)+";
    for (size_t at = assembly.find(pointer); at != std::string::npos; at = assembly.find(pointer, at + 1))
        offsets.push_back(std::stoull(assembly.substr(at + pointer.size())));
    auto number = [&](size_t index) {
        uint32_t value = 0;
        for (int b = 3; b >= 0; --b) value = value << 8 | static_cast<unsigned char>(table.at(index * 4 + b));
        return value;
    };
    std::vector<std::vector<std::pair<uint64_t, uint32_t>>> chunks(files);
    for (size_t i = 0, k = 0; i < files; ++i)
        for (uint32_t c = 0; c < number(i); ++c, ++k) chunks[i].emplace_back(offsets.at(k), number(2 * files + k));
    return chunks;
}

// The chunk bytes of a generated object file, checked as the linker will read
// them: `machine`'s file header, sections named .payload whose data lie end to
// end from the fixed offset, each but the last exactly one piece, the first
// aligned to 4 bytes and the others to 1 (nothing may pad between them), then
// the zero byte, and `symbol` at the first byte, external.
std::string BlobOfObject(const std::string& object, uint16_t machine, const std::string& symbol, uint64_t piece) {
    auto number = [&object](size_t at, int bytes) {
        uint64_t value = 0;
        for (int b = bytes - 1; b >= 0; --b) value = value << 8 | static_cast<unsigned char>(object.at(at + b));
        return value;
    };
    EXPECT_EQ(machine, number(0, 2));
    const uint64_t sections = number(2, 2), symbols = number(8, 4);
    EXPECT_EQ(0u, number(4, 4)) << "a time stamp";
    EXPECT_EQ(1u, number(12, 4));
    uint64_t next = BlobObject::kDataOffset;
    for (uint64_t k = 0; k < sections; ++k) {
        SCOPED_TRACE("section " + std::to_string(k));
        const size_t header = 20 + 40 * k;
        EXPECT_EQ(".payload", object.substr(header, 8));
        const uint64_t size = number(header + 16, 4);
        EXPECT_EQ(next, number(header + 20, 4)) << "a gap between pieces";
        if (k + 1 < sections) EXPECT_EQ(piece, size);
        EXPECT_EQ((k == 0 ? 0x00300000u : 0x00100000u) | 0x40000040u, number(header + 36, 4));
        next += size;
    }
    EXPECT_EQ(next, symbols);
    EXPECT_EQ('\0', object.at(symbols - 1)) << "the zero byte after the blob";
    EXPECT_EQ(0u, number(symbols, 4));
    EXPECT_EQ(1u, number(symbols + 12, 2)) << "the symbol's section";
    EXPECT_EQ(0u, number(symbols + 8, 4)) << "the symbol's place";
    EXPECT_EQ(2u, number(symbols + 16, 1)) << "the symbol's storage class";
    const size_t strings = symbols + 18;
    EXPECT_EQ(symbol, std::string(object.c_str() + strings + number(symbols + 4, 4)));
    EXPECT_EQ(object.size(), strings + number(strings, 4));
    return object.substr(BlobObject::kDataOffset, symbols - 1 - BlobObject::kDataOffset);
}

// A payload of tens of megabytes through the command itself: every chunk the
// table points at, read from the blob, is a zlib stream beginning 78 9C that
// inflates with uncompress to the next piece of its file. A chunk written out
// of order would inflate to the wrong piece. Identical pieces (a file given
// twice, a file whose two halves are equal) share one chunk's bytes, and the
// distinct chunks fill the blob back to back, none overlapping another.
TEST(GenproductCommand, EveryChunkOfALargePayloadInflatesToItsPiece) {
    TempFolder folder;
    json description = ValidDescription(folder);
    const size_t sizes[] = {24 * 1024 * 1024 + 5, 0, 60000, 12345};
    std::vector<std::string> contents;
    for (size_t size : sizes) contents.push_back(VariedBytes(size, static_cast<unsigned>(size + 1)));
    contents.push_back(contents[2]);  // the 60000-byte file again
    std::string half = VariedBytes(30000, 7);
    contents.push_back(half + half + "tail");
    description["files"] = json::array();
    for (size_t i = 0; i < contents.size(); ++i) {
        std::string name = i == 0 ? "demo.exe" : "file" + std::to_string(i + 1);
        folder.Write(name + ".src", contents[i]);
        description["files"].push_back(
            json{{"name", name}, {"source", name + ".src"}, {"time", "2004-09-09T14:15:38Z"}});
    }
    description["files"].push_back(
        json{{"name", "rtuninst.exe"}, {"source", "un.bin"}, {"time", "2004-09-09T14:15:38Z"}});
    contents.push_back("uninstaller");
    std::string out = folder.path() + "/out";
    mkdir(out.c_str(), 0755);
    std::string path = folder.Write("product.json", description.dump());
    ASSERT_EQ(0, std::system((std::string(GENPRODUCT_EXE) + " --machine x86_64 --piece-bytes 4194304 --description " +
                              path + " --out-dir " + out).c_str()));

    // Over 12 MB of chunks: four pieces.
    std::string blob = BlobOfObject(ReadFile(out + "/product_blob.obj"), 0x8664, "payloadBlob", 4u << 20);
    ASSERT_GT(blob.size(), 12u << 20);
    std::vector<std::vector<std::pair<uint64_t, uint32_t>>> chunks = GeneratedChunks(out, contents.size());
    std::map<uint64_t, uint64_t> distinct;  // offset -> size
    std::vector<std::vector<uint64_t>> offsetsOf;
    for (size_t i = 0; i < contents.size(); ++i) {
        SCOPED_TRACE(i);
        std::vector<uint64_t> offsets, chunkSizes;
        for (const auto& [offset, size] : chunks[i]) {
            offsets.push_back(offset);
            chunkSizes.push_back(size);
        }
        ASSERT_EQ((contents[i].size() + 29999) / 30000, offsets.size());
        for (size_t c = 0; c < offsets.size(); ++c) {
            ASSERT_LE(offsets[c] + chunkSizes[c], blob.size());
            std::string piece =
                Inflate(reinterpret_cast<const unsigned char*>(blob.data()) + offsets[c], chunkSizes[c]);
            ASSERT_TRUE(piece == contents[i].substr(c * 30000, 30000)) << "chunk " << c;
            auto [place, added] = distinct.emplace(offsets[c], chunkSizes[c]);
            ASSERT_EQ(place->second, chunkSizes[c]) << "two chunk sizes at one offset";
        }
        offsetsOf.push_back(offsets);
    }
    EXPECT_EQ(offsetsOf[2], offsetsOf[4]) << "the same file twice is stored once";
    ASSERT_EQ(3u, offsetsOf[5].size());
    EXPECT_EQ(offsetsOf[5][0], offsetsOf[5][1]) << "two equal pieces of one file are stored once";
    uint64_t nextOffset = 0;
    for (const auto& [offset, size] : distinct) {
        EXPECT_EQ(nextOffset, offset) << "a gap or an overlap in the blob";
        nextOffset = offset + size;
    }
    EXPECT_EQ(nextOffset, blob.size());
}

// Whatever stands under the temporary names first (a link to another file,
// a file left by a killed run) is passed over, never written through, and
// the output still arrives whole.
TEST(AtomicFile, NeverWritesThroughWhatStandsUnderTheTemporaryName) {
    TempFolder folder;
    std::string victim = folder.Write("victim.txt", "not yours");
    std::string output = folder.path() + "/product_blob.bin";
    ASSERT_EQ(0, symlink(victim.c_str(), AtomicFile::TemporaryNameOf(output, 0).c_str()));
    folder.Write(AtomicFile::TemporaryNameOf(output, 1).substr(folder.path().size() + 1), "left over");
    ASSERT_EQ(0, symlink((folder.path() + "/missing").c_str(), AtomicFile::TemporaryNameOf(output, 2).c_str()));

    std::string error;
    ASSERT_TRUE(WriteFileAtomically(output, "the blob", error)) << error;
    std::ifstream victimStream(victim, std::ios::binary), outputStream(output, std::ios::binary);
    std::stringstream victimBytes, outputBytes;
    victimBytes << victimStream.rdbuf();
    outputBytes << outputStream.rdbuf();
    EXPECT_EQ("not yours", victimBytes.str());
    EXPECT_EQ("the blob", outputBytes.str());
    struct stat missing;
    EXPECT_NE(0, lstat((folder.path() + "/missing").c_str(), &missing)) << "created through a dangling link";
}

// What configuring asks before it plans the build: whether the description's
// own files include the uninstaller, as CMake lines.
TEST(GenproductCommand, QueryTellsWhetherTheDescriptionBringsItsUninstaller) {
    TempFolder folder;
    json brings = ValidDescription(folder);
    json lacks = brings;
    lacks["files"].erase(1);
    for (const auto& [description, expected] : {std::pair<json, const char*>{brings, "TRUE"}, {lacks, "FALSE"}}) {
        std::string path = folder.Write("product.json", description.dump());
        std::string answers = folder.path() + "/query.cmake";
        ASSERT_EQ(0, std::system((std::string(GENPRODUCT_EXE) + " --description " + path + " --query " + answers).c_str()));
        EXPECT_EQ(std::string("set(PRODUCT_LISTS_UNINSTALLER ") + expected + ")\n", ReadFile(answers));
    }
}

TEST(Emit, StringLiteralsKeepEveryByte) {
    EXPECT_EQ("a\\\"b\\\\c", CppStringLiteral("a\"b\\c"));
    EXPECT_EQ("\\015\\015\\012", CppStringLiteral("\r\r\n"));
    // An octal escape followed by a digit must not swallow it.
    EXPECT_EQ("\\015\\061", CppStringLiteral("\r1"));
    EXPECT_EQ("\\077\\077=", CppStringLiteral("?\?="));  // no trigraphs
}

// What the installer receives: every text in the declared code page, the
// additions to the record, and the build's uninstaller with the newest time.
TEST(Description, TextsArriveInTheDeclaredCodePage) {
    struct Case {
        int codePage;
        const char* name;      // UTF-8, as the description writes it
        const char* expected;  // the bytes the installer holds
    };
    const Case cases[] = {
        {1252, "Caf\u00e9 \u20ac", "Caf\xe9 \x80"},
        {1251, "\u041a\u0430\u0444\u0435", "\xca\xe0\xf4\xe5"},
        {1250, "\u0141\u00f3d\u017a", "\xa3\xf3\x64\x9f"},
        {932, "\u65e5\u672c", "\x93\xfa\x96\x7b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        TempFolder folder;
        json description = ValidDescription(folder);
        description["codePage"] = c.codePage;
        description["config"]["productName"] = c.name;
        description["files"][0]["name"] = std::string(c.name) + ".txt";
        description["config"]["mainExecutable"] = std::string(c.name) + ".txt";
        folder.Write("licence.txt", std::string(c.name) + "\r\r\n");
        ProductDescription product;
        ASSERT_EQ("", Load(folder, description, &product));
        EXPECT_EQ(c.expected, product.productName);
        EXPECT_EQ(std::string(c.expected) + ".txt", product.files[0].storedName);
        EXPECT_EQ(std::string(c.expected) + "\r\r\n", product.licenceText);
        EXPECT_EQ(c.name, product.identity.productName) << "the identity keeps the UTF-8 text";
    }

    TempFolder folder;
    json description = ValidDescription(folder);
    description["version"] = "2.5.0.17";
    description["publisher"] = "Acm\u00e9";
    description["files"] = json::array({json{{"name", "demo.exe"}, {"source", "demo.bin"}, {"time", "2004-09-09T14:15:38Z"}},
                                        json{{"name", "a.txt"}, {"source", "demo.bin"}, {"time", "2010-01-01T00:00:00Z"}}});
    LoadOptions options;
    options.uninstallerSource = folder.path() + "/un.bin";
    ProductDescription product;
    std::string error;
    ASSERT_TRUE(LoadProductDescription(folder.Write("product.json", description.dump()), options, product, error))
        << error;
    EXPECT_EQ("2.5.0.17", product.displayVersion);
    EXPECT_EQ("Acm\xe9", product.publisher);
    EXPECT_EQ(0, product.unattended) << "not unattended unless the description says so";
    ASSERT_EQ(3u, product.files.size());
    EXPECT_EQ("rtuninst.exe", product.files[2].storedName);
    EXPECT_EQ(folder.path() + "/un.bin", product.files[2].sourcePath);
    EXPECT_EQ(1262304000, product.files[2].storedTime) << "the newest time of the product's files";
}

// The identity's texts reach the resource compiler and the manifest intact.
TEST(Identity, TextsAreEscapedForTheResourceScriptAndTheManifest) {
    EXPECT_EQ("L\"Caf\\x00e9 \"\"A\"\" \\\\ \\x003f\"", RcWideLiteral("Caf\u00e9 \"A\" \\ ?"));
    EXPECT_EQ("L\"\\xd83d\\xde00\"", RcWideLiteral("\U0001F600")) << "outside the BMP: a surrogate pair";
    std::string xml, why;
    ASSERT_TRUE(XmlText("A&B <C> \"D\" 'E' \u00e9", xml, why));
    EXPECT_EQ("A&amp;B &lt;C&gt; &quot;D&quot; &apos;E&apos; \u00e9", xml);
    EXPECT_FALSE(XmlText("A\x01", xml, why));
    EXPECT_NE(std::string::npos, why.find("U+0001")) << why;
    EXPECT_EQ("Varnlet", AssemblyNameOf("Varnlet"));
    EXPECT_EQ("Acme.Cafe", AssemblyNameOf("Acm\u00e9 Caf\u00e9"));
    EXPECT_EQ("Product", AssemblyNameOf("\u65e5\u672c"));

    TempFolder folder;
    json description = ValidDescription(folder);
    description["version"] = "2.5.0.17";
    description["publisher"] = "Acm\u00e9 & Co";
    // "<" and ">" cannot be in a product name (it names a link file); "&" can.
    description["config"]["productName"] = "Acm\u00e9 & Caf\u00e9";
    ProductDescription product;
    ASSERT_EQ("", Load(folder, description, &product));
    IdentityRequest request;
    request.role = ProgramRole::kUninstaller;
    request.fileName = "rtuninst.exe";
    request.defaultIcon = folder.Write("default.ico", std::string("\0\0\1\0\1\0", 6) + std::string(16, '\0'));
    std::string error;
    ASSERT_TRUE(EmitIdentity(product, request, folder.path(), error)) << error;
    std::ifstream rcFile(folder.path() + "/product_identity.rc"), manifestFile(folder.path() + "/product.manifest");
    std::string rc((std::istreambuf_iterator<char>(rcFile)), std::istreambuf_iterator<char>());
    std::string manifest((std::istreambuf_iterator<char>(manifestFile)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, rc.find("FILEVERSION 2,5,0,17")) << rc;
    EXPECT_NE(std::string::npos, rc.find("VALUE \"FileDescription\", L\"Acm\\x00e9 & Caf\\x00e9 Uninstall\"")) << rc;
    EXPECT_NE(std::string::npos, rc.find("VALUE \"CompanyName\", L\"Acm\\x00e9 & Co\"")) << rc;
    EXPECT_EQ(std::string::npos, rc.find("LegalCopyright")) << "no copyright given, none written";
    EXPECT_NE(std::string::npos, manifest.find("name=\"Acme.Cafe.Uninstall\" version=\"2.5.0.17\"")) << manifest;
    EXPECT_NE(std::string::npos, manifest.find("<description>Acm\u00e9 &amp; Caf\u00e9 Uninstall</description>"))
        << manifest;
}

}  // namespace
