/* Our stand-in for the thermal camera's radiometric correction library. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* Corrects entries first..last of `table` (raw value -> temperature in kelvin) in place for the
 * object's emissivity, the reflected and ambient temperatures (kelvin), the distance, the
 * relative humidity and the two constants of the camera model (`transmission`, `reference_k`).
 * Returns 0 on success, non-zero when the arguments are unusable (null table, first > last, or
 * an index outside 0..65535), in which case the table is untouched.
 *
 * This stand-in has no camera model: it leaves the table as given. */
int CalculateFromFactoryLUT(float emissivity, float reflected_k, float ambient_k, float distance,
                            float humidity, float transmission, float reference_k, float* table,
                            int first, int last);

#ifdef __cplusplus
}
#endif
