#include "image/product_table.h"

uint8_t ProductTable[256][260];

void BuildProductTable() {
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 256; ++j) {
            int v = (i * j + 128) / 255;
            ProductTable[i][j] = (uint8_t)(v > 255 ? 255 : v);
        }
        for (int j = 256; j < 260; ++j) ProductTable[i][j] = 0;
    }
}
