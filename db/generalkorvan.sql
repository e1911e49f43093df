-- The general database: the list of company databases.
CREATE TABLE empresas (
    Id INT NOT NULL AUTO_INCREMENT,
    Nombre VARCHAR(100) NULL,
    BaseDeDatos VARCHAR(64) NOT NULL,
    PRIMARY KEY (Id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
