#include <stdio.h>

/* The text that the cookbook patches in the built program. */
static const char mode[] = "boot mode: SAFE";

int main(void) {
    puts(mode);
    return 0;
}
