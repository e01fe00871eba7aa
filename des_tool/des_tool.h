// The DES calculator: reads a key and one block in hexadecimal, encrypts on an
// upper-case 'C' and decrypts on any other key, and prints the result.
#pragma once

// The whole dialogue. A key or block line whose eight pairs are not all
// upper-case hexadecimal is refused with BEL and its prompt again. Returns 0
// after printing the result, 1 when input ends before the result can be had.
int run_des_tool();
