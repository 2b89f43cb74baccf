// The settings file's reader against thousands of damaged copies of a real
// settings file: nothing crashes, every key reads as empty, as the value
// stored for it, or (only where the damage touched that key's element) as
// something else the XML layer accepted, and the job read back agrees.
//
// UPDATER_FUZZ_SEED repeats a run; UPDATER_FUZZ_MUTATIONS sets its size.
#include "files/FilePaths.h"
#include "job/SettingsFile.h"
#include "support/EnvironmentNumber.h"
#include "support/ScratchFiles.h"
#include "support/Utf8.h"
#include "unit/job/SettingsMutator.h"
#include "win/ComApartment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>

using namespace SettingsFuzz;
using namespace TestSupport;

namespace {

const std::vector<std::wstring> kKeys = SettingsFileElements();

// Writes a job with the real writer and finds where each key's element lies in the bytes.
Sample WriteSample(const std::wstring& path) {
    Job job;
    job.Url = L"http://127.0.0.1:8/files/ov3/orvinta-setup.exe?a=1&b=2";
    job.TargetFolder = L"C:\\Temp\\Мой\\";
    job.SetupArguments = L"/S --dir \"C:\\x y\"";
    job.StartSetup = true;
    job.RegistryKey = L"HKEY_CURRENT_USER\\Software\\Example";
    job.Window = WindowTexts{false, L"Получение самой новой версии Orvinta...", L"Загружено: ", L" Кб"};
    job.Proxy = JobProxy{true, L"gate.example", L"3128", true, L"", L"p&ss<w>rd \"q\""};
    if (!SaveSettingsFile(job)) throw std::runtime_error("SaveSettingsFile failed");
    Sample sample;
    sample.bytes = ReadFileBytes(path);
    const SettingsFileReader reader;
    for (const std::wstring& key : kKeys) {
        const std::string name = Utf8(key);
        sample.values[key] = reader.Text(key);
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
    const std::wstring path = SettingsFilePath();
    const Sample sample = WriteSample(path);
    ASSERT_EQ(sample.values.at(L"TopText"), L"Получение самой новой версии Orvinta...");

    const unsigned long long seed = EnvironmentNumber("UPDATER_FUZZ_SEED", std::random_device{}());
    const unsigned long long count = EnvironmentNumber("UPDATER_FUZZ_MUTATIONS", 4000, 1);
    std::cout << "settings fuzz: seed " << seed << " (UPDATER_FUZZ_SEED), " << count << " mutations" << std::endl;
    Mutator mutator(sample, seed);
    std::map<std::string, std::array<unsigned long, 4>> tally;  // files, loaded, values that raised, changed
    unsigned long failures = 0;
    const auto started = std::chrono::steady_clock::now();
    for (unsigned long long n = 0; n < count && failures < 20; ++n) {
        const Mutant mutant = mutator.Next();
        WriteFileBytes(path, mutant.bytes);
        const SettingsFileReader reader;
        auto& counts = tally[mutant.kind];
        ++counts[0];
        bool anyValue = false;
        for (const std::wstring& key : kKeys) {
            const std::wstring stored = sample.values.at(key);
            const bool touched = mutant.Touches(sample.spans.at(key));
            std::wstring value;
            try {
                value = reader.Text(key);
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
        // The job's read-back survives the file too, and its URL is what the reader gives.
        try {
            const std::optional<Job> job = LoadSettingsFile();
            if (job && job->Url != reader.Text(L"FileOnWeb")) {
                ++failures;
                ADD_FAILURE() << "mutation " << n << " (" << mutant.kind << ", seed " << seed
                              << "): the job's URL differs from the file's";
            }
        } catch (const Xml::XmlException&) {
        }
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
