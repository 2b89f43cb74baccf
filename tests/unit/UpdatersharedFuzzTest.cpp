// The settings loader against thousands of damaged copies of a real settings
// file: nothing crashes, and every key reads as empty, as the value stored
// for it, or (only where the damage touched that key's element) as something
// else the XML layer accepted.
//
// UPDATER_FUZZ_SEED repeats a run; UPDATER_FUZZ_MUTATIONS sets its size.
#include "FilePaths.h"
#include "SettingsMutator.h"
#include "Updatershared.h"
#include "support/ScratchFiles.h"
#include "support/Utf8.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>

using namespace SettingsFuzz;
using namespace TestSupport;

namespace {

const wchar_t* const kKeys[] = {L"FileOnWeb", L"TargetFilePath", L"CommandLineParameters", L"AutoStartTargetFile",
                                L"RegistryKey", L"UpdaterMinimized", L"TopText", L"BottomTextPart1",
                                L"BottomTextPart2", L"is_use_proxy", L"ProxyAddress", L"ProxyPort",
                                L"is_authorization_required", L"ProxyUsername", L"ProxyPassword"};

unsigned long long EnvironmentNumber(const char* name, unsigned long long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

// Writes a job with the real writer and finds where each key's element lies in the bytes.
TSample WriteSample(const std::wstring& path) {
    TUpdaterInterfaceSettings window{false, L"Получение самой новой версии Orvinta...", L"Загружено: ", L" Кб"};
    TProxyServerInfo proxy{true, L"gate.example", L"3128", true, L"", L"p&ss<w>rd \"q\""};
    if (!SaveUpdaterSettings(L"http://127.0.0.1:8/files/ov3/orvinta-setup.exe?a=1&b=2", L"C:\\Temp\\Мой\\",
                             L"/S --dir \"C:\\x y\"", true, window, L"HKEY_CURRENT_USER\\Software\\Example", proxy))
        throw std::runtime_error("SaveUpdaterSettings failed");
    TSample sample;
    sample.bytes = ReadFileBytes(path);
    const TUpdaterSettings settings;
    for (const wchar_t* key : kKeys) {
        const std::string name = Utf8(key);
        sample.values[key] = settings.GetValue(key);
        const size_t start = sample.bytes.find("<" + name + ">");
        const size_t empty = sample.bytes.find("<" + name + "/>");
        if (start != kNone)
            sample.spans[key] = {start, sample.bytes.find("</" + name + ">", start) + name.size() + 3};
        else if (empty != kNone)
            sample.spans[key] = {empty, empty + name.size() + 3};
        else
            throw std::runtime_error("the written file lacks " + name);
    }
    sample.rootEnd = sample.bytes.find("</Settings>") + std::string("</Settings>").size();
    return sample;
}

// Damaged settings files are read as empty or stored values, never anything
// made up, and the loader survives every one of them.
TEST(SettingsFuzzTest, DamagedFilesReadAsEmptyOrStoredValues) {
    Win::ComApartment com;
    ScratchFolder scratch;
    const ScopedTempFolder temp(scratch.Path());
    const std::wstring path = GetSettingsFilePath();
    const TSample sample = WriteSample(path);
    ASSERT_EQ(sample.values.at(L"TopText"), L"Получение самой новой версии Orvinta...");

    const unsigned long long seed = EnvironmentNumber("UPDATER_FUZZ_SEED", std::random_device{}());
    const unsigned long long count = EnvironmentNumber("UPDATER_FUZZ_MUTATIONS", 4000);
    std::cout << "settings fuzz: seed " << seed << " (UPDATER_FUZZ_SEED), " << count << " mutations" << std::endl;
    TMutator mutator(sample, seed);
    std::map<std::string, std::array<unsigned long, 4>> tally;  // files, loaded, values that raised, changed
    unsigned long failures = 0;
    const auto started = std::chrono::steady_clock::now();
    for (unsigned long long n = 0; n < count && failures < 20; ++n) {
        const TMutant mutant = mutator.Next();
        WriteFileBytes(path, mutant.bytes);
        const TUpdaterSettings settings;
        auto& counts = tally[mutant.kind];
        ++counts[0];
        bool anyValue = false;
        for (const wchar_t* key : kKeys) {
            const std::wstring stored = sample.values.at(key);
            const bool touched = mutant.Touches(sample.spans.at(key));
            std::wstring value;
            try {
                value = settings.GetValue(key);
            } catch (const Xml::XmlException&) {
                ++counts[2];
                anyValue = true;
                if (touched || mutant.injectedKey == key) continue;
                value = L"<raised>";
            }
            anyValue = anyValue || !value.empty();
            counts[3] += !value.empty() && value != stored;
            bool allowed;
            if (mutant.refused)
                allowed = value.empty();
            else if (mutant.wellFormed)
                allowed = value == (mutant.exact.count(key) ? mutant.exact.at(key) : stored);
            else
                allowed = value.empty() || value == stored || touched ||
                          (mutant.injectedKey == key && value == mutant.injectedValue);
            if (!allowed) {
                ++failures;
                ADD_FAILURE() << "mutation " << n << " (" << mutant.kind << ", seed " << seed << "): " << Utf8(key)
                              << " read as \"" << Utf8(value.substr(0, 200)) << "\"";
            }
        }
        counts[1] += anyValue;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "settings fuzz: " << count << " files in " << seconds << " s" << std::endl;
    for (const auto& [kind, counts] : tally)
        std::cout << "  " << kind << ": " << counts[0] << " files, " << counts[1] << " loaded, " << counts[2]
                  << " values raised, "
                  << counts[3] << " values changed" << std::endl;
    EXPECT_EQ(failures, 0u) << "seed " << seed;
}

}  // namespace
