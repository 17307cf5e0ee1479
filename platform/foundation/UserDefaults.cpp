// User defaults of UserDefaults.h. Values live in memory under one mutex; synchronize()
// serialises a copy and writes it outside that mutex (a second mutex orders the writes),
// so readers are not held up by the disk.

#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/DefaultsText.h"
#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/PropertyList.h"
#include "platform/foundation/SystemInfo.h"

namespace platform::foundation {

namespace {

constexpr const char* kFallbackIdentifier = "com.tavro.Tavro3D";

// Why `value` cannot be stored under `key`, or nothing when it can: the check is the
// writer itself, so that whatever is accepted can also be saved later.
std::optional<std::string> whyNotStorable(const Value& value, const std::string& key) {
    auto written = serializePropertyList(Value(ValueDictionary{{key, value}}));
    if (!written) return written.error().localizedDescription;
    return std::nullopt;
}

struct LoadedFile {
    ValueDictionary values;
    // The file exists and holds something, but not defaults: it must not be replaced by
    // the next save before it has been put aside.
    bool unreadable = false;
};

// The defaults are a few settings and an account's tokens; a Mac's own defaults stop at
// 4 MiB, and the XML form takes up to a third more for data values. Twice that holds any
// file a run writes, while a device, a FIFO or a runaway file in its place is refused at
// once instead of read into memory without end or waited on (which would hold up the
// launch, quit signals and all).
constexpr uint64_t kMaximumFileSize = 8 * 1024 * 1024;

LoadedFile loadFile(const std::string& path) {
    auto bytes = readRegularFile(path, kMaximumFileSize);
    if (!bytes) {
        if (!fileExists(path)) return {};
        systemLog("UserDefaults: starting empty, " + path +
                  " cannot be read: " + bytes.error().localizedDescription);
        return {{}, true};
    }
    if (bytes->empty()) return {};
    auto parsed = parsePropertyList(*bytes);
    if (parsed && parsed->isDictionary()) return {parsed->dictionary(), false};
    const std::string reason =
        parsed ? "the root is not a dictionary" : parsed.error().localizedDescription;
    systemLog("UserDefaults: starting empty, " + path + " is unreadable: " + reason);
    return {{}, true};
}

// Moves an unreadable file aside, so that saving the new defaults does not destroy what it
// held.
std::optional<Error> putAside(const std::string& path) {
    auto aside = moveUnreadableAside(path);
    if (!aside) return aside.error();
    systemLog("UserDefaults: kept the unreadable " + path + " as " + *aside);
    return std::nullopt;
}

// The global domain, read-only, from the machine's settings.
Value globalValue(const std::string& key) {
    if (key == "AppleLocale") {
        if (auto locale = appleLocale()) return Value(*locale);
    } else if (key == "AppleLanguages") {
        auto languages = preferredLanguages();
        if (!languages.empty()) {
            ValueArray array(languages.begin(), languages.end());
            return Value(std::move(array));
        }
    }
    return Value();
}

struct StandardHolder {
    Mutex mutex;
    std::unique_ptr<UserDefaults> instance TAVRO_GUARDED_BY(mutex);
};

StandardHolder& standardHolder() {
    // Destroyed at exit like any static, which saves the standard defaults then.
    static StandardHolder holder;
    return holder;
}

}  // namespace

struct UserDefaults::State {
    explicit State(std::string plistPath) : path(std::move(plistPath)) {
        if (path.empty()) return;
        LoadedFile loaded = loadFile(path);
        values = std::move(loaded.values);
        unreadable = loaded.unreadable;
    }

    const std::string path;
    mutable Mutex mutex;
    ValueDictionary values TAVRO_GUARDED_BY(mutex);
    // Counts every change, so a write knows what it saved.
    uint64_t changes TAVRO_GUARDED_BY(mutex) = 0;
    uint64_t savedChanges TAVRO_GUARDED_BY(mutex) = 0;  // the count the file holds
    Mutex writeMutex;
    // The file must be put aside before the first save.
    bool unreadable TAVRO_GUARDED_BY(writeMutex) = false;
};

UserDefaults& UserDefaults::standard() {
    StandardHolder& holder = standardHolder();
    MutexLock lock(holder.mutex);
    if (!holder.instance) {
        std::string identifier = Bundle::main().bundleIdentifier();
        if (identifier.empty()) identifier = kFallbackIdentifier;
        holder.instance = std::make_unique<UserDefaults>(
            appendPathComponent(preferencesDirectory(), identifier + ".plist"));
    }
    return *holder.instance;
}

void UserDefaults::resetStandard() {
    std::unique_ptr<UserDefaults> old;
    {
        StandardHolder& holder = standardHolder();
        MutexLock lock(holder.mutex);
        old = std::move(holder.instance);
    }
    // Destroyed outside the holder's lock: saving may take a while.
}

UserDefaults::UserDefaults(std::string plistPath)
    : state_(std::make_unique<State>(std::move(plistPath))) {}

UserDefaults::~UserDefaults() {
    synchronize();
}

Value UserDefaults::objectForKey(const std::string& key) const {
    {
        MutexLock lock(state_->mutex);
        if (auto found = state_->values.find(key); found != state_->values.end())
            return found->second;
    }
    return globalValue(key);
}

bool UserDefaults::boolForKey(const std::string& key) const {
    const Value value = objectForKey(key);
    if (value.isText()) return defaultstext::textBool(value.text());
    return value.asBool();
}

int64_t UserDefaults::integerForKey(const std::string& key) const {
    const Value value = objectForKey(key);
    if (value.isText()) return defaultstext::textInteger(value.text());
    return value.asInt64();
}

float UserDefaults::floatForKey(const std::string& key) const {
    const Value value = objectForKey(key);
    if (value.isText()) return static_cast<float>(defaultstext::textDouble(value.text()));
    return value.asFloat();
}

double UserDefaults::doubleForKey(const std::string& key) const {
    const Value value = objectForKey(key);
    if (value.isText()) return defaultstext::textDouble(value.text());
    return value.asDouble();
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    const Value value = objectForKey(key);
    if (value.isText()) return value.text();
    if (value.isNumber()) return defaultstext::numberText(value);
    return std::nullopt;
}

std::optional<Bytes> UserDefaults::dataForKey(const std::string& key) const {
    const Value value = objectForKey(key);
    if (!value.isData()) return std::nullopt;
    return value.data();
}

std::optional<ValueArray> UserDefaults::arrayForKey(const std::string& key) const {
    const Value value = objectForKey(key);
    if (!value.isArray()) return std::nullopt;
    return value.array();
}

std::optional<ValueDictionary> UserDefaults::dictionaryForKey(const std::string& key) const {
    const Value value = objectForKey(key);
    if (!value.isDictionary()) return std::nullopt;
    return value.dictionary();
}

bool UserDefaults::setObject(const Value& value, const std::string& key) {
    if (value.isNull()) {
        removeObjectForKey(key);
        return true;
    }
    // Refused here, not at the next save: a value the file cannot hold would make every
    // later save fail, or write a file that the next start cannot read.
    if (auto reason = whyNotStorable(value, key)) {
        systemLog("UserDefaults: refusing to store a value for a key: " + *reason);
        return false;
    }
    MutexLock lock(state_->mutex);
    state_->values.insert_or_assign(key, value);
    ++state_->changes;
    return true;
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    MutexLock lock(state_->mutex);
    if (state_->values.erase(key) > 0) ++state_->changes;
}

bool UserDefaults::synchronize() {
    if (state_->path.empty()) return true;
    MutexLock writeLock(state_->writeMutex);
    ValueDictionary snapshot;
    uint64_t snapshotChanges;
    {
        MutexLock lock(state_->mutex);
        // Nothing changed since the last write: the file is left alone, even one that
        // could not be read (it is replaced only once there is something to save).
        if (state_->changes == state_->savedChanges) return true;
        snapshot = state_->values;
        snapshotChanges = state_->changes;
    }
    auto text = serializePropertyList(Value(std::move(snapshot)));
    if (!text) {
        systemLog("UserDefaults: cannot encode " + state_->path + ": " +
                  text.error().localizedDescription);
        return false;
    }
    const std::string& contents = *text;
    if (auto error = createDirectory(deletingLastPathComponent(state_->path), true)) {
        systemLog("UserDefaults: cannot save " + state_->path + ": " + error->localizedDescription);
        return false;
    }
    if (state_->unreadable && fileExists(state_->path)) {
        if (auto error = putAside(state_->path)) {
            systemLog("UserDefaults: not saving over the unreadable " + state_->path + ": " +
                      error->localizedDescription);
            return false;
        }
    }
    state_->unreadable = false;
    auto bytes = std::span(reinterpret_cast<const uint8_t*>(contents.data()), contents.size());
    if (auto error = writeFileAtomically(state_->path, bytes)) {
        systemLog("UserDefaults: cannot save " + state_->path + ": " + error->localizedDescription);
        return false;
    }
    MutexLock lock(state_->mutex);
    state_->savedChanges = snapshotChanges;
    return true;
}

ValueDictionary UserDefaults::dictionaryRepresentation() const {
    MutexLock lock(state_->mutex);
    return state_->values;
}

}  // namespace platform::foundation
