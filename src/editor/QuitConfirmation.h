// Esc in the track editor: with nothing left to cancel, a first Esc asks
// ("Esc again to quit") and only a second within kWindowSeconds quits, so
// an Esc meant to end a selection never loses the place in the work.
// Main thread; a value type.
#pragma once

class QuitConfirmation {
public:
    static constexpr double kWindowSeconds = 2.0;

    // An Esc with nothing to cancel at `nowSeconds` (any steady clock): true
    // when it answers the question asked by the one before (quit).
    bool press(double nowSeconds);
    // Whether the question shows at `nowSeconds`.
    bool asking(double nowSeconds) const { return nowSeconds - askedAt_ <= kWindowSeconds; }
    // Anything else done in the editor takes the question back.
    void withdraw() { askedAt_ = -1e300; }

private:
    double askedAt_ = -1e300;
};
