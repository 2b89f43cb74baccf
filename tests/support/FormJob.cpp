#include "support/FormJob.h"

#include "UpdaterFormUnit.h"

#include <stdexcept>

namespace TestSupport {

void LoadFormJob(const TFormJob& job) {
    const TUpdaterInterfaceSettings texts{false, L"Downloading", L"Downloaded: ", L" KB"};
    if (!SaveUpdaterSettings(job.FileOnWeb, job.TargetFilePath, job.CommandLineParameters, job.AutoStartTargetFile,
                             texts, job.RegistryKey, job.Proxy))
        throw std::runtime_error("the test job could not be saved");
    UpdaterSettings.emplace();
}

}  // namespace TestSupport
