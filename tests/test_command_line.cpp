// The command line and the session the program starts in: option refusals that name their
// fault, the port it starts on, and an X display that does not answer.
#include "fixture.h"

// ---- Option refusals ------------------------------------------------------------------------

struct Parsed {
    int result = 0, exitCode = -1;
    std::string errors;
};

static Parsed Options(std::vector<std::string> args) {
    std::vector<char *> argv{const_cast<char *>("xvelzuk1")};
    for (auto &a : args)
        argv.push_back(a.data());
    Parsed p;
    testing::internal::CaptureStderr();
    p.result = PlatformOptions(int(argv.size()), argv.data(), &p.exitCode);
    p.errors = testing::internal::GetCapturedStderr();
    return p;
}

static std::vector<std::string> Mappings(int n) { // --com 1=sim, --com 2=sim, ...
    std::vector<std::string> args;
    for (int i = 0; i < n; i++)
        args.insert(args.end(), {"--com", std::to_string(i % 32 + 1) + "=sim"});
    return args;
}

TEST(Options, EachMalformedOptionNamesItsFaultAndExitsTwoBeforeTheUsage) {
    const std::pair<std::vector<std::string>, const char *> cases[] = {
        {{"--com", "0=sim"}, "--com 0=sim: the COM port number must be 1 to 32"},
        {{"--com", "33=sim"}, "--com 33=sim: the COM port number must be 1 to 32"},
        {{"--com=x=sim"}, "--com x=sim: the COM port number must be 1 to 32"},
        {{"--com", "1="}, "--com 1=: no device after '='"},
        {{"--com", "sim"}, "--com sim: expected N=DEVICE, e.g. --com 1=/dev/ttyUSB0"},
        {Mappings(33), "--com 1=sim: at most 32 --com mappings"},
        {{"--com", "1=/" + std::string(255, 'd')},
         "--com 1=...: the device path is longer than 255 characters"},
        {{"--play", std::string(1024, 'p')}, "--play: the path is longer than 1023 characters"},
        {{"--verbose", "--play"}, "--play needs a value: --play FILE"},
        {{"--view"}, "--view needs a value: --view FILE"},
        {{"--view", "r.dat", "--png"}, "--png needs a value: --png OUT"},
        {{"--com"}, "--com needs a value: --com N=DEVICE"},
        {{"--bogus"}, "unknown or malformed option '--bogus'"},
    };
    for (const auto &[args, message] : cases) {
        Parsed p = Options(args);
        EXPECT_EQ(p.result, 1) << message;
        EXPECT_EQ(p.exitCode, 2) << message;
        EXPECT_EQ(p.errors.substr(0, p.errors.find('\n') + 1),
                  "xvelzuk1: " + std::string(message) + "\n");
        EXPECT_EQ(p.errors.substr(p.errors.find('\n') + 1, 26), "Usage: xvelzuk1 [options]\n");
    }
}

TEST(Options, TheWellFormedNeighboursOfThoseOptionsAreTaken) {
    Parsed p =
        Options({"--com", "1=sim", "--com=32=/dev/ttyUSB0", "--com", "2=" + std::string(255, 'd')});
    EXPECT_EQ(p.result, 0) << p.errors;
    EXPECT_EQ(p.errors, "");
    p = Options(Mappings(32));
    EXPECT_EQ(p.result, 0) << p.errors;
    p = Options({"--view", std::string(1023, 'v'), "--png", "out.png"});
    EXPECT_EQ(p.result, 0) << p.errors;
}
