#include "display/DummyManager.h"

#include "display/DisplayPrefKey.h"
#include "display/VirtualDisplayRegistry.h"
#include "platform/foundation/Mutex.h"
#include "platform/foundation/SystemInfo.h"
#include "platform/foundation/UserDefaults.h"

using platform::foundation::Mutex;
using platform::foundation::MutexLock;

namespace {

struct Store {
    Mutex mutex;
    std::map<int64_t, DummyManager::DefinedDummy> dummies TAVRO_GUARDED_BY(mutex);
    int64_t counter TAVRO_GUARDED_BY(mutex) = 0;
    std::map<int64_t, DummyDefinition> definitions TAVRO_GUARDED_BY(mutex);
};

Store& store() {
    static Store instance;
    return instance;
}

std::map<int64_t, DummyDefinition> definitionTable() {
    auto entry = [](int64_t w, int64_t h, int64_t step, const char* description, bool separator) {
        return DummyDefinition{w, h, step, 1, 1, {60.0}, description, separator};
    };
    return {
        {10, entry(16, 9, 2, "16:9 (HD/4K/5K/6K)", false)},
        {20, entry(16, 10, 2, "16:10 (W*XGA)", false)},
        {30, entry(16, 12, 2, "4:3 (VGA, iPad)", false)},
        {40, entry(256, 135, 2, "17:9 (4K-DCI)", true)},
        {50, entry(64, 27, 2, "21.3:9 (UW-HD/4K/5K)", false)},
        {60, entry(43, 18, 2, "21.5:9 (UW-QHD)", false)},
        {70, entry(24, 10, 1, "24:10 (UW-QHD+)", false)},
        {80, entry(32, 10, 1, "32:10 (D-W*XGA)", false)},
        {90, entry(32, 9, 2, "32:9 (D-HD/QHD)", true)},
        {100, entry(20, 20, 2, "1:1 (Square)", true)},
        {110, entry(9, 16, 2, "9:16 (HD/4K/5K/6K - Portrait)", false)},
        {120, entry(10, 16, 2, "10:16 (W*XGA - Portrait)", false)},
        {130, entry(12, 16, 2, "12:16 (VGA - Portrait)", false)},
        {140, entry(135, 256, 2, "9:17 (4K-DCI - Portrait)", true)},
        {210, entry(15, 10, 2, "3:2 (Photography)", false)},
        {220, entry(15, 12, 2, "5:4 (Photography)", true)},
        {350, entry(152, 100, 1, "15.2:10 (iPad Mini 2021)", false)},
        {360, entry(66, 41, 2, "23:16 (iPad Air 2020)", false)},
        {370, entry(199, 139, 2, "14.3:10 (iPad Pro 11\")", false)},
        {380, entry(5760, 1080, 1, "Monitor1", false)},
    };
}

std::string numbered(DisplayPrefKey key, size_t number) {
    return rawValue(key) + std::to_string(number);
}

}  // namespace

std::map<int64_t, DummyManager::DefinedDummy> DummyManager::dummies() {
    MutexLock lock(store().mutex);
    return store().dummies;
}

int64_t DummyManager::dummyCounter() {
    MutexLock lock(store().mutex);
    return store().counter;
}

std::map<int64_t, DummyDefinition> DummyManager::dummyDefinitions() {
    MutexLock lock(store().mutex);
    return store().definitions;
}

void DummyManager::setupDummyDefinitions() {
    std::map<int64_t, DefinedDummy> stored;
    auto table = definitionTable();
    {
        MutexLock lock(store().mutex);
        store().definitions = table;
        stored = store().dummies;
    }
    // Dummies are cycled outside the store's lock: connecting makes platform displays.
    for (const auto& [key, defined] : stored) {
        if (defined.definitionId) {
            if (auto found = table.find(*defined.definitionId); found != table.end()) {
                defined.dummy->dummyDefinition = found->second;
            }
        }
        if (defined.dummy->isConnected) {
            defined.dummy->disconnect(false);
            defined.dummy->connect(false);
        }
    }
}

int64_t DummyManager::createDummy(const DummyDefinition& definition,
                                  std::optional<int64_t> definitionId, uint32_t serialNum,
                                  bool connect) {
    auto dummy = std::make_shared<Dummy>(definition, serialNum, connect);
    MutexLock lock(store().mutex);
    int64_t key = ++store().counter;
    store().dummies[key] = DefinedDummy{dummy, definitionId};
    return key;
}

std::shared_ptr<Dummy> DummyManager::findDummyByDefinitionId(int64_t definitionId) {
    MutexLock lock(store().mutex);
    for (const auto& [key, defined] : store().dummies) {
        if (defined.definitionId == definitionId) return defined.dummy;
    }
    return nullptr;
}

std::vector<std::shared_ptr<Dummy>> DummyManager::dummyList() {
    MutexLock lock(store().mutex);
    std::vector<std::shared_ptr<Dummy>> list;
    for (const auto& [key, defined] : store().dummies) list.push_back(defined.dummy);
    return list;
}

void DummyManager::storeDummies() {
    platform::foundation::systemLog("存储首选项.");
    auto stored = dummies();
    auto& defaults = platform::foundation::UserDefaults::standard();
    defaults.setInteger(int64_t(stored.size()), rawValue(DisplayPrefKey::numOfDummyDisplays));
    // The map's keys are in ascending order, which numbers the entries from 1.
    size_t number = 0;
    for (const auto& [key, defined] : stored) {
        ++number;
        const Dummy& dummy = *defined.dummy;
        if (defined.definitionId) {
            defaults.setInteger(*defined.definitionId, numbered(DisplayPrefKey::display, number));
        } else {
            defaults.removeObjectForKey(numbered(DisplayPrefKey::display, number));
        }
        defaults.setInteger(int64_t(dummy.serialNum), numbered(DisplayPrefKey::serial, number));
        defaults.setBool(dummy.isConnected, numbered(DisplayPrefKey::isConnected, number));
        defaults.setObject(dummy.associatedDisplayPrefsId,
                           numbered(DisplayPrefKey::associatedDisplayPrefsId, number));
        defaults.setObject(dummy.associatedDisplayName,
                           numbered(DisplayPrefKey::associatedDisplayName, number));
    }
}

void DummyManager::discardDummies() {
    std::map<int64_t, DefinedDummy> dropped;
    {
        MutexLock lock(store().mutex);
        dropped.swap(store().dummies);
        store().counter = 0;
    }
    for (const auto& [key, defined] : dropped) defined.dummy->virtualDisplay.reset();
    virtualDisplayRegistry().clear();
}
