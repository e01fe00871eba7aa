#include "mac_tool.h"

int main() { return run_mac_tool(); }
