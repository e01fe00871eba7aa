#include "des_tool.h"

int main() { return run_des_tool(); }
