// cn/TScn_coef.cpp: Crank-Nicolson coefficient rows of the base material and of one layer
#include "cn/TScn.h"

// The rows are those of every solver of the model (TS3D::Build_layer_rows): relative to the base
// material and scaled by dx^2/k, y and z links carrying ry and rz, which are 1 on the built-in
// model's cubic cells.
void TScn::Build_CN_C(material m)
{
    k_ratio = m.k / k;
    Build_layer_rows(m, coef);
}
