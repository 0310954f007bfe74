#pragma once

#include <QtGlobal>

#include <random>

// Where questions get their randomness; tests hand in a source with known draws.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seed(quint64 value) = 0;
    // A uniform draw r with 0 <= r < 1.
    virtual float draw() = 0;
};

class SeededRandomSource final : public RandomSource {
public:
    void seed(quint64 value) override { m_engine.seed(value); }
    float draw() override { return m_uniform(m_engine); }

private:
    std::mt19937_64 m_engine{0};
    std::uniform_real_distribution<float> m_uniform{0.0f, 1.0f};
};
