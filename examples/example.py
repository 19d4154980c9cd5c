import primal

result = primal.enumerate([[1, 2], [-1, 3]])  # (x1 or x2) and (not x1 or x3)
print(result["implicants"], result["implicates"], result["figures"]["ending"])
primal.enumerate([[1, 2], [-1, 3]], callback=lambda implicant, lits: print(implicant, lits))
