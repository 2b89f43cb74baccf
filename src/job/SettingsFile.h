// The settings file that carries the job from its composition to the run:
// written at start-up, read back into the job the run carries out. One table
// of keys (SettingsFile.cpp) gives the file's elements, in file order.
#pragma once

#include "job/Job.h"
#include "xml/XmlDocument.h"

#include <optional>
#include <string>
#include <vector>

// Returns the temporary folder as reported followed by "Velmora\UpdaterSettings.xml",
// or "" when the temporary folder is unknown.
std::wstring SettingsFilePath();

// Writes `job` into a new settings file, replacing any earlier one. Returns
// false when the file could not be saved. COM must be initialised.
bool SaveSettingsFile(const Job& job);

// Reads the job back from the settings file. Returns nullopt when the file
// gives no URL or no target folder (a missing or broken file among them);
// flags are on exactly when their text is "1". Raises Xml::XmlException when
// an element it reads holds anything but one text node. COM must be initialised.
std::optional<Job> LoadSettingsFile();

// Returns the names of the file's elements, in file order.
std::vector<std::wstring> SettingsFileElements();

// The settings file as loaded: the document and its root; a missing or broken
// file leaves both empty. One thread.
class SettingsFileReader {
public:
    // Loads the file at SettingsFilePath(); never fails.
    SettingsFileReader();
    ~SettingsFileReader();

    // Returns the text of the root's first child named `element` (node name or
    // local name, exact case), or "". Raises Xml::XmlException when that
    // element holds anything but one text node.
    std::wstring Text(const std::wstring& element) const;

private:
    Xml::Document document_;
    Xml::Node root_;
};
