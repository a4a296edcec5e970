#pragma once

// S88 feedback evaluation for the plan's feedback detectors.
class C_rueckmodul {
public:
    C_rueckmodul() = default;
    C_rueckmodul(const C_rueckmodul&) = delete;
    C_rueckmodul& operator=(const C_rueckmodul&) = delete;
};

extern C_rueckmodul* Rueckmodul;
