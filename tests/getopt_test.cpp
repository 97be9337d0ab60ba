// Tests of this area are added with its modules.
