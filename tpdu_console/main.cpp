#include "tpdu_console.h"

int main() { return run_console(); }
