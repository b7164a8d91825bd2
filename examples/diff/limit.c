#include <stdio.h>

/* The constant that the two builds differ in: cc -O2 -DLIMIT=... */
#ifndef LIMIT
#define LIMIT 100
#endif

int main(void) {
    printf("at most %d connections\n", LIMIT);
    return 0;
}
