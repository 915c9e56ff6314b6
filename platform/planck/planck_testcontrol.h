/* Test-only controls of our radiometric correction stand-in; the monitor never uses them. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* The arguments of the latest CalculateFromFactoryLUT call, with the table entries for the raw
 * values 0, 1500 and 65535 as they were on entry (0 where outside first..last). */
typedef struct planck_test_call {
    float emissivity;
    float reflected_k;
    float ambient_k;
    float distance;
    float humidity;
    float transmission;
    float reference_k;
    int first;
    int last;
    float entry_0;
    float entry_1500;
    float entry_65535;
} planck_test_call;

/* Number of calls since the last reset; the latest call's arguments into `*call` when there was
 * one. */
int planck_test_calls(planck_test_call* call);
/* Later calls return `result` (0: success) and leave the table untouched either way. */
void planck_test_set_result(int result);
/* Forgets the calls and restores success. */
void planck_test_reset(void);

#ifdef __cplusplus
}
#endif
