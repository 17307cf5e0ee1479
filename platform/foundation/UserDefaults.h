#pragma once
// User defaults: the application domain (read and written, persisted as an XML property
// list "<bundle identifier>.plist" in the preferences folder) over the global domain
// (read-only: "AppleLocale" and "AppleLanguages" from the machine's settings, see
// SystemInfo). A read looks in the application domain first.
//
// Thread-safe. Writes change memory at once; synchronize() writes the file (atomically:
// temporary file and rename), and so does the destruction of the standard defaults at
// exit. A missing, empty or corrupt file starts empty defaults and is left as it is until
// a change is saved (synchronize() writes only when something changed since the last
// write); a corrupt file is then first renamed "<file>.unreadable" (or "-2", "-3", ...)
// rather than overwritten. A failed write never destroys the last good file.

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace platform::foundation {

class UserDefaults {
  public:
    // The application's defaults, for the main bundle's identifier.
    static UserDefaults& standard();
    // Drops the standard instance so the next standard() reads the file again (tests).
    static void resetStandard();

    // Defaults persisted at `plistPath` (empty: memory only).
    explicit UserDefaults(std::string plistPath);
    ~UserDefaults();

    // Null when missing.
    Value objectForKey(const std::string& key) const;
    bool boolForKey(const std::string& key) const;        // numbers, "YES"/"true"/"1" texts
    int64_t integerForKey(const std::string& key) const;  // numbers and numeric texts, else 0
    float floatForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;  // texts and numbers
    std::optional<Bytes> dataForKey(const std::string& key) const;
    std::optional<ValueArray> arrayForKey(const std::string& key) const;
    std::optional<ValueDictionary> dictionaryForKey(const std::string& key) const;

    // Storing null removes the key. What the property-list file cannot hold is refused
    // (false, with a log line) and leaves the key as it was: object references, nulls
    // inside containers, control characters other than tab and line ends in texts and
    // keys, nesting beyond the file's depth limit.
    bool setObject(const Value& value, const std::string& key);
    void setBool(bool value, const std::string& key) { setObject(Value(value), key); }
    void setInteger(int64_t value, const std::string& key) { setObject(Value(value), key); }
    void setFloat(float value, const std::string& key) { setObject(Value(value), key); }
    void setDouble(double value, const std::string& key) { setObject(Value(value), key); }
    void removeObjectForKey(const std::string& key);

    // Writes pending changes to the file; false when the write failed.
    bool synchronize();

    // The whole application domain (a copy).
    ValueDictionary dictionaryRepresentation() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace platform::foundation
