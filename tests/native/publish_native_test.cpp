// The Linux build of lumora_publish run as a process with the system's 7zz.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TempDir {
    std::string path = "/tmp/lumora-native-XXXXXX";
    TempDir() { mkdtemp(&path[0]); }
    ~TempDir() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

void Write(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

// Every entry below dir, files with their bytes.
std::set<std::string> Tree(const std::string& dir) {
    std::set<std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        all.insert(fs::relative(e.path(), dir).string() +
                   (e.is_regular_file() ? "=" + Read(e.path()) : "/"));
    return all;
}

// Runs the tool in dir with env (NAME=VALUE, or empty) before it; its exit
// code, with what it printed in output.
int Publish(const TempDir& dir, const std::string& args, std::string* output,
            const std::string& env = "") {
    const std::string command =
        "cd '" + dir.path + "' && " + env + " " PUBLISH_EXE " " + args + " >out.txt 2>&1";
    int status = system(command.c_str());
    *output = Read(dir / "out.txt");
    fs::remove(dir / "out.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void MakeRelease(const TempDir& dir) {
    Write(dir / "rel/readme", "read me");
    Write(dir / "rel/bin/game.dll", "game code");
    Write(dir / "rel/data/a.b.c", "data");
}

} // namespace

TEST(NativePublish, WritesSortedManifestAndReusesUnchangedPackages) {
    TempDir dir;
    MakeRelease(dir);
    std::string output;
    ASSERT_EQ(Publish(dir, "rel 5 out", &output), 0) << output;
    // The files' MD5s: "game code", "data", "read me".
    EXPECT_EQ(Read(dir / "out/update.json"),
              "{\"version\": 5, \"files\": {\n"
              "  \"bin\\\\game.dll\": \"7bd5156edb3ecf6e85984358949dd2f8\",\n"
              "  \"data\\\\a.b.c\": \"8d777f385d3dfec8815d20f7496026dc\",\n"
              "  \"readme\": \"ef7b5181c1f63f8ca8eebaab0829ee38\"\n}}\n");

    Write(dir / "out/5/readme.7z", "previous package");
    Write(dir / "rel/bin/game.dll", "new game code");
    ASSERT_EQ(Publish(dir, "rel 6 out out", &output), 0) << output;
    EXPECT_EQ(Read(dir / "out/6/readme.7z"), "previous package");
    EXPECT_NE(Read(dir / "out/update.json").find("1b21feca318dab0f58a1bd4d6eca7374"), // its MD5
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out/5"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()),
              2); // rel, out
}

// Each refusal, and the dry run, exits as the row says and leaves the output
// as it was; the output names the cause or what would be written.
TEST(NativePublish, RefusalsAndDryRunLeaveTheOutputAlone) {
    std::string e60; // 60 characters of two UTF-16 units each
    for (int i = 0; i < 60; ++i)
        e60 += "\xF0\x9F\x98\x80";
    // 264 UTF-16 units as Windows counts them, though 134 code points.
    const std::string tooLong = e60 + "/" + e60 + "/" + e60.substr(0, 40) + ".t";
    const std::vector<std::string> dryRun = {"reused 6/data/a.b.7z", "new    6/bin/game.7z",
                                             "reused 6/readme.7z", "version 6, 3 files"};
    const struct Row {
        std::string layout; // "release", "v5" (release 5 published into v5), or files
        std::vector<std::string> files;
        std::string args, env;
        int code;
        std::vector<std::string> says;
    } rows[] = {
        {"", {}, "nowhere 5 out", "", 1, {"release folder", "nowhere"}},
        {"", {"a.txt", "a.dat"}, "rel 5 out", "", 1, {"a.txt", "a.dat", "a.7z"}},
        {"", {"A.txt", "a.dat"}, "rel 5 out", "", 1, {"A.txt", "a.dat", "a.7z"}},
        {"", {"a\\b"}, "rel 5 out", "", 1, {"a\\b", "folder"}},
        {"", {tooLong}, "rel 5 out", "", 1, {"longer than 259 characters"}},
        {"v5", {}, "rel 5 out v5", "", 1, {"not above the previous version 5"}},
        {"v5", {}, "rel 4 out v5", "", 1, {"not above the previous version 5"}},
        {"release", {}, "--sevenzip=no/7zz rel 5 out", "", 1, {"7z program", "not found"}},
        {"release", {}, "rel 5 out", "PATH=/nowhere", 1, {"7z program not found"}},
        {"release", {}, "rel 5 out", "LUMORA_7Z=/bin/false", 1, {"failed with exit code 1"}},
        {"v5", {}, "--dry-run rel 6 out v5", "PATH=/nowhere", 0, dryRun},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        TempDir dir;
        std::string output;
        fs::create_directories(dir / "rel");
        if (!row.layout.empty()) MakeRelease(dir);
        ASSERT_TRUE(row.layout != "v5" || Publish(dir, "rel 5 v5", &output) == 0) << output;
        if (row.layout == "v5") Write(dir / "rel/bin/game.dll", "new game code");
        for (const std::string& file : row.files)
            Write(dir / ("rel/" + file), "1");
        Write(dir / "out/keep", "kept");
        const auto before = Tree(dir.path);
        EXPECT_EQ(Publish(dir, row.args, &output, row.env), row.code);
        for (const std::string& text : row.says)
            EXPECT_NE(output.find(text), std::string::npos) << output;
        EXPECT_EQ(Tree(dir.path), before);
    }
}

// Signed with a key from OpenSSL's command line: the key the tool prints
// verifies the folder through 7zz; each row changes a copy as an attacker
// could, or takes 7zz away, and the verification says so.
TEST(NativePublish, SignsAndVerifiesThroughSevenZip) {
    TempDir dir;
    MakeRelease(dir);
    Write(dir / "evil/readme", "evil");
    ASSERT_EQ(system(("cd '" + dir.path +
                      "' && openssl ecparam -name prime256v1 -genkey -noout -out k.pem"
                      " && cd evil && 7zz a -bso0 ../evil.7z readme")
                         .c_str()),
              0);
    std::string key, output;
    ASSERT_EQ(Publish(dir, "--public-key k.pem", &key), 0) << key;
    ASSERT_EQ(Publish(dir, "--sign k.pem rel 5 out", &output), 0) << output;
    const struct {
        std::string file, bytes, env;
        int code;
        const char* says;
    } rows[] = {
        {"", "", "", 0, "signature and 3 packages verified"},
        {"update.json", Read(dir / "out/update.json") + " ", "", 1, "does not verify"},
        {"5/readme.7z", Read(dir / "evil.7z"), "", 1, "files.readme: its package does not hold"},
        {"", "", "PATH=/nowhere", 1, "7z program not found"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.file + r.env);
        fs::remove_all(dir / "copy");
        fs::copy(dir / "out", dir / "copy", fs::copy_options::recursive);
        if (!r.file.empty()) Write(dir / ("copy/" + r.file), r.bytes);
        EXPECT_EQ(Publish(dir, "--verify " + key.substr(0, 130) + " copy", &output, r.env), r.code);
        EXPECT_NE(output.find(r.says), std::string::npos) << output;
    }
}
