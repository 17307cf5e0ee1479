#pragma once
// The process-wide store of dummies made in this run, the table of predefined definitions
// and the preference writer. Thread-safe (the application uses it from the main thread);
// dummies themselves are used from one thread at a time.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "display/Dummy.h"
#include "display/DummyDefinition.h"

class DummyManager {
  public:
    struct DefinedDummy {
        std::shared_ptr<Dummy> dummy;
        std::optional<int64_t> definitionId;
    };

    static std::map<int64_t, DefinedDummy> dummies();
    static int64_t dummyCounter();
    static std::map<int64_t, DummyDefinition> dummyDefinitions();

    // Fills the definition table, gives stored dummies their table definition and cycles
    // the connected ones.
    static void setupDummyDefinitions();
    // Stores a new dummy under the next key (from 1) and returns the key.
    static int64_t createDummy(const DummyDefinition& definition,
                               std::optional<int64_t> definitionId, uint32_t serialNum,
                               bool connect);
    static std::shared_ptr<Dummy> findDummyByDefinitionId(int64_t definitionId);
    static std::vector<std::shared_ptr<Dummy>> dummyList();
    // Writes "numOfDummyDisplays" and the numbered entries of each dummy, without a
    // synchronise.
    static void storeDummies();
    // Drops every dummy and every virtual display; the preferences are left to the caller.
    static void discardDummies();
};
