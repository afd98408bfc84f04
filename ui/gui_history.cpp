// Chart histories: the last 100 samples of the RAW (2 traces) and NORM (6 traces) strip
// charts, interleaved by sample, oldest first; and the array routines that move them.
#include "gui.h"

double arrayRAW[RAW_HISTORY];
double arrayNORM[NORM_HISTORY];

int Copy1D(const double *x, int n, double *y) {
    if (n < 1) return ERR_COUNT;
    for (int i = 0; i < n; i++)
        y[i] = x[i];
    return 0;
}

// Copies from the end for a positive shift and from the start for a negative one, then fills
// the freed places with 0, so x and y may be the same array.
int Shift(const double *x, int n, int k, double *y) {
    if (n < 1) return ERR_COUNT;
    if (k >= n || -k >= n) return ERR_SHIFT;
    if (k == 0) return Copy1D(x, n, y);
    if (k > 0) {
        for (int i = n - 1; i >= k; i--)
            y[i] = x[i - k];
        for (int i = 0; i < k; i++)
            y[i] = 0.0;
    } else {
        int m = -k;
        for (int i = 0; i <= n - m - 1; i++)
            y[i] = x[i + m];
        for (int i = n - m; i < n; i++)
            y[i] = 0.0;
    }
    return 0;
}

void FillarrayRAW(int a, int b) {
    for (int s = 0; s < HISTORY_SAMPLES; s++) {
        arrayRAW[2 * s] = a;
        arrayRAW[2 * s + 1] = b;
    }
}

void FillarrayNORM(int tol, int ref, int value) {
    for (int s = 0; s < HISTORY_SAMPLES; s++) {
        double *sample = arrayNORM + NORM_TRACES * s;
        sample[0] = ref + tol; // upper threshold
        sample[1] = ref - tol; // lower threshold
        sample[2] = ref;       // reference
        sample[3] = value;     // markers and value trace
        sample[4] = value;
        sample[5] = value;
    }
}
