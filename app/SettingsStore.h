#pragma once
// The program's per-user settings: named entries with typed values, kept in memory and in
// "settings.xml" in the user's application-data folder. Loaded once at start-up, saved once when
// the main window closes; a command-line run never writes it.

#include <map>
#include <string>
#include <vector>

class CFlickrAccount;

// One typed value. Values read from the file are text until a setter gives them a type.
struct CSettingValue {
    enum class Kind { Empty, Int, Real, Date, Text };
    Kind kind = Kind::Empty;
    int integer = 0;
    double real = 0; // Real and Date: a date is days since 30 December 1899
    std::u16string text;

    // The text written into the file.
    std::u16string ToText() const;
    // The conversions a reader makes; false when the value does not convert.
    bool ToInt(int& out) const;
    bool ToReal(double& out) const;
};

struct CSettingEntry {
    std::u16string name;
    std::map<std::u16string, CSettingValue> values; // by value kind: "integerValue", ...
};

class CSettingsStore {
public:
    // Finds the file ("<application data>/Vornalt/settings.xml", the folder made when missing)
    // and reads it; true once the path is known, whether or not there was a readable file.
    bool Load();
    // Writes every entry; false without a path or when the file cannot be written.
    bool Save();

    // Absent or unconvertible values read as 0; reading creates the entry so the next Save
    // writes it.
    int GetInt(const std::u16string& name);
    void SetInt(const std::u16string& name, int value);
    double GetNextUpdateCheck();
    void SetNextUpdateCheck(double date);
    std::u16string GetFlickrAccountsXml();
    void SetFlickrAccountsXml(const std::u16string& xml);
    void SaveFlickrAccounts(const std::vector<CFlickrAccount>& accounts);
    void LoadFlickrAccounts(std::vector<CFlickrAccount>& accounts);

    const std::map<std::u16string, CSettingEntry>& Entries() const { return m_entries; }
    const std::u16string& GetPath() const { return m_path; }

private:
    CSettingValue& Value(const std::u16string& name, const char16_t* kind);

    std::map<std::u16string, CSettingEntry> m_entries;
    std::u16string m_path;
};
