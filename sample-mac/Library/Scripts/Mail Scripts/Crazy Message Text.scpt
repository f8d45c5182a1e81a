simulated compiled script
