#pragma once
// Transactions group layer changes: inside a transaction whose actions are disabled, a
// property change takes effect at once with no implicit animation; the animation duration
// of the innermost transaction that set one applies to implicit animations. Changes are
// applied when made; commit only ends the transaction. Transactions nest; settings made
// outside any go to an implicit transaction that ends when the main loop next turns.
// Main thread only.

namespace platform::ui {

class Transaction {
  public:
    static void begin();
    // Ends the innermost transaction; a commit without a begin changes nothing.
    static void commit();
    static void setDisableActions(bool disable);
    static bool disableActions();
    static void setAnimationDuration(double seconds);
    static double animationDuration();  // 0.25 unless a transaction set another
};

// begin() on construction, commit() on destruction, with actions disabled when asked.
class ScopedTransaction {
  public:
    explicit ScopedTransaction(bool disableActions = true) {
        Transaction::begin();
        Transaction::setDisableActions(disableActions);
    }
    ~ScopedTransaction() { Transaction::commit(); }
    ScopedTransaction(const ScopedTransaction&) = delete;
    ScopedTransaction& operator=(const ScopedTransaction&) = delete;
};

}  // namespace platform::ui
